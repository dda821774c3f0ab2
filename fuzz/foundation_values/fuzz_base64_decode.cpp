// Base64 decoding of arbitrary bytes: the output never exceeds the advertised length, and
// valid encodings round-trip.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "foundation/encrypt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<unsigned char> in(data, data + size);
    unsigned long cap = Base64DecodeGetLength(size);
    std::vector<unsigned char> out(cap + 1);
    unsigned long n = Base64Decode(out.data(), in.data(), size);
    if (n > cap)
        abort();

    // Encoding the input and decoding it again gives the input back.
    std::vector<char> enc(Base64EncodeGetLength(size) + 1);
    unsigned long e = Base64Encode(enc.data(), in.data(), size);
    if (e != Base64EncodeGetLength(size))
        abort();
    std::vector<unsigned char> back(Base64DecodeGetLength(e) + 1);
    unsigned long b = Base64Decode(back.data(), enc.data(), e);
    if (b != size || (size && memcmp(back.data(), in.data(), size) != 0))
        abort();
    return 0;
}
