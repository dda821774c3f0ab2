// The saved hiscore file. The first byte picks how the rest is used: even, as the file's bytes
// as they are (nearly always refused by the check); odd, as document text that is enciphered
// and sealed first, so the parser and the three table readers see it (when its elements are
// whole). Whatever loads is saved and must load again.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/encrypt.h"
#include "online/hiscores.h"

namespace
{

const char kKey[] = "Wmbx0mn1v";

std::vector<unsigned char> Sealed(const uint8_t* text, size_t n)
{
    TEncrypt cipher{str(kKey)};
    const unsigned int need = cipher.EncryptBinary(text, unsigned(n), nullptr, 0, false);
    std::vector<unsigned char> out(need + 8);
    cipher.EncryptBinary(text, unsigned(n), out.data(), need, false);
    unsigned char fold[4] = {0, 0, 0, 0};
    for (unsigned int i = 0; i < need; ++i)
        fold[i % 4] ^= out[i];
    cipher.EncryptBinary(fold, 4, out.data() + need, 8, false);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = []
    {
        qfSetDbgSink([](const char*) {});
        TPlatform::SetConfig(str("encryptionkey"), str(kKey));
        return true;
    }();
    (void)ready;
    if (size < 1 || size > (1u << 20))
        return 0;
    std::vector<unsigned char> file;
    if (data[0] & 1)
        file = Sealed(data + 1, size - 1);
    else
        file.assign(data + 1, data + size);
    TQfHiscores store(false);
    if (store.LoadPreferencesFromBytes(file.empty() ? nullptr : file.data(), file.size()))
    {
        const std::vector<unsigned char> saved = store.BuildPreferencesFile();
        TQfHiscores again(false);
        // What the store writes is always a whole file of its own.
        if (!again.LoadPreferencesFromBytes(saved.data(), saved.size()))
            abort();
        str name, password;
        again.GetRememberedUserInfo(&name, &password);
    }
    return 0;
}
