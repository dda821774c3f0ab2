// The hiscore server's reply text, through the three reply readers.
#include <cstdint>
#include <string>

#include "app/platform.h"
#include "foundation/debug.h"
#include "online/hiscores.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TQfHiscores* store = []
    {
        qfSetDbgSink([](const char*) {});
        TPlatform::SetConfig(str("encryptionkey"), str("Wmbx0mn1v"));
        TPlatform::SetConfig(str("hiscoreverbose"), str("1"));
        return new TQfHiscores(false);
    }();
    if (size > (1u << 20))
        return 0;
    const std::string reply(reinterpret_cast<const char*>(data), size);  // stops at a zero byte
    store->ParseReturnForErrors(reply.c_str());
    store->ParseScoreData(reply.c_str());
    store->ParseCategoryData(reply.c_str());
    char message[64];
    FillInErrorMessage(message, sizeof message, str("default"), store->GetData()->errorText);
    return 0;
}
