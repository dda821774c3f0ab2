// Protection of small data files: Blowfish in ECB mode over padded data, optionally in a Base64
// text form. It keeps casual eyes off saved files; it is not meant as security.
//
// Binary form: the plain bytes, then k bytes of value k (k = 8 - n mod 8, so 1..8), each 8-byte
// block enciphered on its own with big-endian words. Text form: the binary form in standard
// Base64 followed by a zero byte, which counts in its size.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/str.h"

// Base64 with the standard alphabet and "=" padding.
unsigned long Base64EncodeGetLength(unsigned long n);                    // (n + 2) / 3 * 4
unsigned long Base64Encode(void* out, const void* in, unsigned long n);  // characters written
unsigned long Base64DecodeGetLength(unsigned long n);                    // ceil(n / 4) * 3
// Bytes written. Input is taken as padded with "=" to a multiple of 4; characters outside the
// alphabet decode as 255 and garble their group rather than stop the decode.
unsigned long Base64Decode(void* out, const void* in, unsigned long n);

class TBlowfish
{
public:
    TBlowfish();
    ~TBlowfish();
    TBlowfish(const TBlowfish&) = delete;
    TBlowfish& operator=(const TBlowfish&) = delete;

    // The standard key schedule over length key bytes (cycled).
    void Init(const unsigned char* key, int length);

    // One block, left and right words.
    void EncryptBlock(uint32_t* left, uint32_t* right) const;
    void DecryptBlock(uint32_t* left, uint32_t* right) const;

    // Pads and enciphers n bytes; new[]-allocated result of *outLength bytes (delete[] it).
    unsigned char* EncryptString(const char* in, int n, int* outLength) const;
    // Deciphers n bytes (rounded up to whole blocks with zeros) and strips the padding; an
    // invalid pad length gives an empty result. Never null.
    unsigned char* DecryptString(const char* in, int n, int* outLength) const;

    // The standard initial tables: the fractional hexadecimal digits of pi, computed once.
    static const uint32_t* InitialTables();  // 18 P words, then 4 x 256 S-box words

    unsigned int mLastLength = 0;  // length of the last output TEncrypt delivered

private:
    uint32_t F(uint32_t x) const;

    uint32_t* mP;
    uint32_t* mS[4];
};

class TEncrypt
{
public:
    // keyText is normally the configuration value "encryptionkey". It is padded with "A" or
    // cut to 12 characters, characters 9 to 11 are forced to "AAA", and the Base64 decoding
    // of the 12 characters (9 bytes) keys the cipher.
    explicit TEncrypt(str keyText);

    // Both return 0 when the result was written to out; otherwise (out null or outSize too
    // small) the size needed. Inputs above 1 GiB are refused: EncryptBinary returns 0xFFFFFFFF
    // and DecryptBinary treats them as empty.
    unsigned int EncryptBinary(const void* in, unsigned int n, void* out, unsigned int outSize, bool asText);
    unsigned int DecryptBinary(const void* in, unsigned int n, void* out, unsigned int outSize, bool asText);

    // Text form of the text's bytes and its terminating zero; "" on failure.
    str EncryptStr(str text);
    // The plain bytes of a text form up to the first zero; "" on failure.
    str DecryptStr(str text);

    static str NormaliseKey(str keyText);

private:
    // Deciphers into a new[] buffer; *plainLen is its length.
    unsigned char* Decipher(const void* in, unsigned int n, bool asText, int* plainLen);
    // The keyed cipher, made on first use: its initial tables take a while to compute, and
    // many owners (the hiscore store, made at start-up) never encrypt anything.
    TBlowfish& Fish();

    unsigned char mKey[12];
    int mKeyLength = 0;
    std::unique_ptr<TBlowfish> mFish;
};
