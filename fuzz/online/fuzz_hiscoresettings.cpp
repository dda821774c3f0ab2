// The hiscore settings read at start-up from the working folder: "hiscore.xml" (language and
// default error text) and "hiscoreserver.txt" (a server address override, its first line). The
// input holds both: the bytes before the first 0xFF byte are the settings document, the rest the
// server file (no 0xFF: no server file).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "app/platform.h"
#include "foundation/debug.h"
#include "online/hiscores.h"
#include "scratchdir.h"

namespace
{

std::string gFolder;

void Write(const char* name, const uint8_t* data, size_t size)
{
    std::ofstream out(gFolder + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The files are looked up in the working folder: a private one while the settings are read, and
// the fuzzer's own again afterwards (it writes its findings relative to it).
class InFolder
{
public:
    InFolder()
    {
        if (!getcwd(mSaved, sizeof mSaved) || chdir(gFolder.c_str()) != 0)
            abort();
    }
    ~InFolder()
    {
        if (chdir(mSaved) != 0)
            abort();
    }

private:
    char mSaved[4096];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = []
    {
        qfSetDbgSink([](const char*) {});
        TPlatform::SetConfig(str("encryptionkey"), str("Wmbx0mn1v"));
        static const TScratchDir scratch("hiscore_settings_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        gFolder = scratchPath;
        return true;
    }();
    (void)ready;
    const uint8_t* split = static_cast<const uint8_t*>(memchr(data, 0xFF, size));
    const size_t xmlSize = split ? size_t(split - data) : size;
    Write("hiscore.xml", data, xmlSize);
    if (split)
        Write("hiscoreserver.txt", split + 1, size - xmlSize - 1);
    else
        unlink((gFolder + "/hiscoreserver.txt").c_str());
    InFolder inFolder;
    TQfHiscores hiscores(false);
    const TQfHiscoresData* d = hiscores.GetData();
    // The override is one line without surrounding blanks and without NUL bytes.
    const std::string address = d->serverAddress.c_str();
    if (address.size() > 511 || address.find('\n') != std::string::npos)
        abort();
    if (!address.empty() && (address.front() == ' ' || address.back() == ' '))
        abort();
    return 0;
}
