// Deciphering arbitrary bytes in both forms never reads or writes outside its buffers, and
// enciphering the input then deciphering it gives it back.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/encrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TEncrypt crypt(str("Fuzz0Key1AAA"));
    if (size > 1 << 16)
        return 0;
    std::vector<unsigned char> in(data, data + size);
    unsigned int n = static_cast<unsigned int>(size);

    for (bool asText : {false, true})
    {
        unsigned int need = crypt.DecryptBinary(in.data(), n, nullptr, 0, asText);
        std::vector<unsigned char> out(need + 1);
        if (crypt.DecryptBinary(in.data(), n, out.data(), need, asText) != 0)
            abort();

        unsigned int cneed = crypt.EncryptBinary(in.data(), n, nullptr, 0, asText);
        std::vector<unsigned char> cipher(cneed);
        if (crypt.EncryptBinary(in.data(), n, cipher.data(), cneed, asText) != 0)
            abort();
        unsigned int pneed = crypt.DecryptBinary(cipher.data(), cneed, nullptr, 0, asText);
        if (pneed != n)
            abort();
        std::vector<unsigned char> plain(pneed + 1);
        crypt.DecryptBinary(cipher.data(), cneed, plain.data(), pneed, asText);
        if (n && memcmp(plain.data(), in.data(), n) != 0)
            abort();
    }

    // The string calls: the text form of arbitrary text.
    str text(reinterpret_cast<const char*>(in.data()), size);
    str plain = crypt.DecryptStr(text);
    str again = crypt.DecryptStr(crypt.EncryptStr(text));
    if (again != text)
        abort();
    (void)plain;
    return 0;
}
