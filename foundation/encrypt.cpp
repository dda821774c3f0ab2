// TEncrypt: Blowfish in ECB mode with padding, and Base64.
#include "foundation/encrypt.h"

#include <cstring>
#include <memory>
#include <vector>

namespace
{
const int kPWords = 18;
const int kSWords = 256;
const int kTableWords = kPWords + 4 * kSWords;
const unsigned int kMaxPlain = 0x40000000u;  // 1 GiB

// Fixed-point big number: limb 0 is the integer part, limbs 1.. the fraction, base 2^32.
using Fixed = std::vector<uint32_t>;

// x /= d, skipping the limbs from 0 up to *lead, which are known to be zero; moves *lead past
// the zero limbs the division leaves. Returns whether any limb is non-zero.
bool DivSmall(Fixed& x, uint32_t d, size_t* lead)
{
    uint64_t rem = 0;
    for (size_t i = *lead; i < x.size(); ++i)
    {
        uint64_t cur = (rem << 32) | x[i];
        x[i] = static_cast<uint32_t>(cur / d);
        rem = cur % d;
    }
    while (*lead < x.size() && x[*lead] == 0)
        ++*lead;
    return *lead < x.size();
}

void AddTo(Fixed& acc, const Fixed& x)
{
    uint64_t carry = 0;
    for (size_t i = acc.size(); i-- > 0;)
    {
        uint64_t s = uint64_t(acc[i]) + x[i] + carry;
        acc[i] = static_cast<uint32_t>(s);
        carry = s >> 32;
    }
}

void SubFrom(Fixed& acc, const Fixed& x)
{
    int64_t borrow = 0;
    for (size_t i = acc.size(); i-- > 0;)
    {
        int64_t d = int64_t(acc[i]) - int64_t(x[i]) - borrow;
        borrow = d < 0 ? 1 : 0;
        acc[i] = static_cast<uint32_t>(d + (borrow << 32));
    }
}

void MulSmall(Fixed& x, uint32_t m)
{
    uint64_t carry = 0;
    for (size_t i = x.size(); i-- > 0;)
    {
        uint64_t p = uint64_t(x[i]) * m + carry;
        x[i] = static_cast<uint32_t>(p);
        carry = p >> 32;
    }
}

// arctan(1/x) by its alternating series, to the precision of the limbs.
Fixed ArcTanInverse(uint32_t x, size_t limbs)
{
    Fixed sum(limbs, 0), power(limbs, 0), term;
    power[0] = 1;
    size_t powerLead = 0;
    DivSmall(power, x, &powerLead);  // 1/x
    uint32_t x2 = x * x;
    for (uint32_t k = 0;; ++k)
    {
        term = power;
        size_t termLead = powerLead;
        if (!DivSmall(term, 2 * k + 1, &termLead))
            break;
        if (k & 1)
            SubFrom(sum, term);
        else
            AddTo(sum, term);
        if (!DivSmall(power, x2, &powerLead))
            break;
    }
    return sum;
}

// pi = 16 arctan(1/5) - 4 arctan(1/239); the fraction limbs are the table words in order.
std::vector<uint32_t> ComputePiWords()
{
    const size_t guard = 4;  // absorbs the truncation error of a few thousand series terms
    const size_t limbs = 1 + kTableWords + guard;
    Fixed pi = ArcTanInverse(5, limbs);
    MulSmall(pi, 4);
    SubFrom(pi, ArcTanInverse(239, limbs));
    MulSmall(pi, 4);
    return std::vector<uint32_t>(pi.begin() + 1, pi.begin() + 1 + kTableWords);
}

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

struct DecodeTable
{
    unsigned char v[256];
    DecodeTable()
    {
        memset(v, 255, sizeof v);
        for (int i = 0; i < 64; ++i)
            v[static_cast<unsigned char>(kAlphabet[i])] = static_cast<unsigned char>(i);
        v[static_cast<unsigned char>('=')] = 0;
    }
};

inline uint32_t LoadBE(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

inline void StoreBE(unsigned char* p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}
}  // namespace

unsigned long Base64EncodeGetLength(unsigned long n)
{
    return (n + 2) / 3 * 4;
}

unsigned long Base64Encode(void* out, const void* in, unsigned long n)
{
    const unsigned char* s = static_cast<const unsigned char*>(in);
    char* d = static_cast<char*>(out);
    unsigned long w = 0;
    for (unsigned long i = 0; i < n; i += 3)
    {
        unsigned long left = n - i;
        uint32_t v = uint32_t(s[i]) << 16;
        if (left > 1)
            v |= uint32_t(s[i + 1]) << 8;
        if (left > 2)
            v |= s[i + 2];
        d[w++] = kAlphabet[(v >> 18) & 63];
        d[w++] = kAlphabet[(v >> 12) & 63];
        d[w++] = left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        d[w++] = left > 2 ? kAlphabet[v & 63] : '=';
    }
    return w;
}

unsigned long Base64DecodeGetLength(unsigned long n)
{
    return (n + 3) / 4 * 3;
}

unsigned long Base64Decode(void* out, const void* in, unsigned long n)
{
    static const DecodeTable table;
    const unsigned char* s = static_cast<const unsigned char*>(in);
    unsigned char* d = static_cast<unsigned char*>(out);
    unsigned long w = 0;
    for (unsigned long i = 0; i < n; i += 4)
    {
        unsigned char c[4];
        for (int k = 0; k < 4; ++k)
            c[k] = i + k < n ? s[i + k] : '=';
        uint32_t v = uint32_t(table.v[c[0]]) << 18 | uint32_t(table.v[c[1]]) << 12 |
                     uint32_t(table.v[c[2]]) << 6 | table.v[c[3]];
        int count = 3;
        if (i + 4 >= n)  // the last group: its trailing "=" shorten the output
        {
            if (c[3] == '=')
                --count;
            if (c[3] == '=' && c[2] == '=')
                --count;
        }
        d[w++] = static_cast<unsigned char>(v >> 16);
        if (count > 1)
            d[w++] = static_cast<unsigned char>(v >> 8);
        if (count > 2)
            d[w++] = static_cast<unsigned char>(v);
    }
    return w;
}

const uint32_t* TBlowfish::InitialTables()
{
    static const std::vector<uint32_t> words = ComputePiWords();
    return words.data();
}

TBlowfish::TBlowfish()
{
    mP = new uint32_t[kPWords];
    for (auto& s : mS)
        s = new uint32_t[kSWords];
    const uint32_t* t = InitialTables();
    memcpy(mP, t, kPWords * sizeof(uint32_t));
    for (int i = 0; i < 4; ++i)
        memcpy(mS[i], t + kPWords + i * kSWords, kSWords * sizeof(uint32_t));
}

TBlowfish::~TBlowfish()
{
    delete[] mP;
    for (auto& s : mS)
        delete[] s;
}

inline uint32_t TBlowfish::F(uint32_t x) const
{
    return ((mS[0][x >> 24] + mS[1][(x >> 16) & 255]) ^ mS[2][(x >> 8) & 255]) + mS[3][x & 255];
}

void TBlowfish::EncryptBlock(uint32_t* left, uint32_t* right) const
{
    uint32_t L = *left ^ mP[0];
    uint32_t R = *right;
    for (int i = 0; i < 8; ++i)
    {
        R ^= F(L) ^ mP[2 * i + 1];
        L ^= F(R) ^ mP[2 * i + 2];
    }
    *left = R ^ mP[17];
    *right = L;
}

void TBlowfish::DecryptBlock(uint32_t* left, uint32_t* right) const
{
    uint32_t L = *left ^ mP[17];
    uint32_t R = *right;
    for (int i = 8; i-- > 0;)
    {
        R ^= F(L) ^ mP[2 * i + 2];
        L ^= F(R) ^ mP[2 * i + 1];
    }
    *left = R ^ mP[0];
    *right = L;
}

void TBlowfish::Init(const unsigned char* key, int length)
{
    const uint32_t* t = InitialTables();
    memcpy(mP, t, kPWords * sizeof(uint32_t));
    for (int i = 0; i < 4; ++i)
        memcpy(mS[i], t + kPWords + i * kSWords, kSWords * sizeof(uint32_t));
    if (key && length > 0)
    {
        int j = 0;
        for (int i = 0; i < kPWords; ++i)
        {
            uint32_t w = 0;
            for (int k = 0; k < 4; ++k)
            {
                w = (w << 8) | key[j];
                j = (j + 1) % length;
            }
            mP[i] ^= w;
        }
    }
    uint32_t L = 0, R = 0;
    for (int i = 0; i < kPWords; i += 2)
    {
        EncryptBlock(&L, &R);
        mP[i] = L;
        mP[i + 1] = R;
    }
    for (int s = 0; s < 4; ++s)
        for (int i = 0; i < kSWords; i += 2)
        {
            EncryptBlock(&L, &R);
            mS[s][i] = L;
            mS[s][i + 1] = R;
        }
}

unsigned char* TBlowfish::EncryptString(const char* in, int n, int* outLength) const
{
    if (n < 0 || !in)
        n = 0;
    int k = 8 - n % 8;
    int total = n + k;
    unsigned char* out = new unsigned char[total];
    if (n)
        memcpy(out, in, n);
    memset(out + n, k, k);
    for (int b = 0; b < total; b += 8)
    {
        uint32_t L = LoadBE(out + b), R = LoadBE(out + b + 4);
        EncryptBlock(&L, &R);
        StoreBE(out + b, L);
        StoreBE(out + b + 4, R);
    }
    if (outLength)
        *outLength = total;
    return out;
}

unsigned char* TBlowfish::DecryptString(const char* in, int n, int* outLength) const
{
    if (n <= 0 || !in)
    {
        // Nothing to decipher: no pad byte to read.
        if (outLength)
            *outLength = 0;
        return new unsigned char[1]();
    }
    int total = (n + 7) / 8 * 8;
    unsigned char* buf = new unsigned char[total]();  // the missing tail reads as zeros
    memcpy(buf, in, n);
    for (int b = 0; b < total; b += 8)
    {
        uint32_t L = LoadBE(buf + b), R = LoadBE(buf + b + 4);
        DecryptBlock(&L, &R);
        StoreBE(buf + b, L);
        StoreBE(buf + b + 4, R);
    }
    int k = static_cast<signed char>(buf[total - 1]);
    int len = total - k;
    if (len < 0 || len > total)
        len = 0;
    if (outLength)
        *outLength = len;
    return buf;
}

str TEncrypt::NormaliseKey(str keyText)
{
    if (keyText.length() != 12)
        keyText = (keyText + "AAAAAAAAAAAA").substr(0, 12);
    if (keyText.substr(9, 3) != "AAA")
        keyText = keyText.substr(0, 9) + "AAA";
    return keyText;
}

TEncrypt::TEncrypt(str keyText)
{
    str key = NormaliseKey(keyText);
    memset(mKey, 0, sizeof mKey);
    unsigned long n = Base64Decode(mKey, key.c_str(), 12);
    mKeyLength = static_cast<int>(n);
}

TBlowfish& TEncrypt::Fish()
{
    if (!mFish)
    {
        mFish.reset(new TBlowfish);
        mFish->Init(mKey, mKeyLength);
    }
    return *mFish;
}

unsigned int TEncrypt::EncryptBinary(const void* in, unsigned int n, void* out, unsigned int outSize,
                                     bool asText)
{
    if (!in)
        n = 0;
    // Beyond this the sizes no longer fit the 32-bit results; no caller's data comes near it.
    if (n > kMaxPlain)
        return 0xFFFFFFFFu;
    unsigned int cipherLen = n + (8 - n % 8);
    unsigned int need = asText ? static_cast<unsigned int>(Base64EncodeGetLength(cipherLen)) + 1 : cipherLen;
    if (!out || outSize < need)
        return need;
    int len = 0;
    std::unique_ptr<unsigned char[]> cipher(
        Fish().EncryptString(static_cast<const char*>(in), static_cast<int>(n), &len));
    if (asText)
    {
        unsigned long w = Base64Encode(out, cipher.get(), static_cast<unsigned long>(len));
        static_cast<char*>(out)[w] = 0;
    }
    else
        memcpy(out, cipher.get(), len);
    Fish().mLastLength = need;
    return 0;
}

unsigned char* TEncrypt::Decipher(const void* in, unsigned int n, bool asText, int* plainLen)
{
    const char* bytes = static_cast<const char*>(in);
    unsigned long count = (in && n <= kMaxPlain * 2) ? n : 0;
    std::unique_ptr<unsigned char[]> decoded;
    if (asText && count)
    {
        // The text form ends at its zero byte, which is no Base64 character.
        const void* zero = memchr(bytes, 0, count);
        unsigned long chars =
            zero ? static_cast<unsigned long>(static_cast<const char*>(zero) - bytes) : count;
        decoded.reset(new unsigned char[Base64DecodeGetLength(chars) + 1]);
        count = Base64Decode(decoded.get(), bytes, chars);
        bytes = reinterpret_cast<const char*>(decoded.get());
    }
    return Fish().DecryptString(bytes, static_cast<int>(count), plainLen);
}

unsigned int TEncrypt::DecryptBinary(const void* in, unsigned int n, void* out, unsigned int outSize,
                                     bool asText)
{
    int len = 0;
    std::unique_ptr<unsigned char[]> plain(Decipher(in, n, asText, &len));
    unsigned int need = static_cast<unsigned int>(len);
    if (!out || outSize < need)
        return need;
    if (need)
        memcpy(out, plain.get(), need);
    Fish().mLastLength = need;
    return 0;
}

str TEncrypt::EncryptStr(str text)
{
    unsigned int n = text.length() + 1;
    unsigned int size = EncryptBinary(text.c_str(), n, nullptr, 0, true);
    if (size < 1)
        return str("");
    std::unique_ptr<char[]> buf(new char[size]);
    if (EncryptBinary(text.c_str(), n, buf.get(), size, true) != 0)
        return str("");
    return str(buf.get());
}

str TEncrypt::DecryptStr(str text)
{
    int len = 0;
    std::unique_ptr<unsigned char[]> plain(Decipher(text.c_str(), text.length() + 1, true, &len));
    if (len < 1)
        return str("");
    Fish().mLastLength = static_cast<unsigned int>(len);
    const char* p = reinterpret_cast<const char*>(plain.get());
    return str(p, strnlen(p, static_cast<size_t>(len)));
}
