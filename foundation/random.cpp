// TRandom: the MT19937 Mersenne Twister.
#include "foundation/random.h"

namespace
{
const uint32_t kMatrixA = 0x9908B0DFu;
const uint32_t kUpper = 0x80000000u;
const uint32_t kLower = 0x7FFFFFFFu;
const unsigned long kDefaultKey[4] = {0xD4C4CF4Bul, 0x3E2019A7ul, 0xE6489797ul, 0x5746FCB5ul};
}  // namespace

TRandom::TRandom() : mIndex(kN)
{
    SeedArray(kDefaultKey, 4);
}

void TRandom::SeedWord(uint32_t seed)
{
    mState[0] = seed;
    for (int i = 1; i < kN; ++i)
        mState[i] = 1812433253u * (mState[i - 1] ^ (mState[i - 1] >> 30)) + uint32_t(i);
    mIndex = kN;
}

void TRandom::SeedArray(const unsigned long* key, unsigned int length)
{
    SeedWord(19650218u);
    int i = 1;
    unsigned int j = 0;
    for (unsigned int k = (length > unsigned(kN) ? length : unsigned(kN)); k; --k)
    {
        uint32_t word = (key && length) ? uint32_t(key[j] & 0xFFFFFFFFul) : 0;
        uint32_t prev = mState[i - 1] ^ (mState[i - 1] >> 30);
        mState[i] = (mState[i] ^ (prev * 1664525u)) + word + uint32_t(j);
        ++i;
        ++j;
        if (i >= kN)
        {
            mState[0] = mState[kN - 1];
            i = 1;
        }
        if (j >= length)
            j = 0;
    }
    for (int k = kN - 1; k; --k)
    {
        uint32_t prev = mState[i - 1] ^ (mState[i - 1] >> 30);
        mState[i] = (mState[i] ^ (prev * 1566083941u)) - uint32_t(i);
        ++i;
        if (i >= kN)
        {
            mState[0] = mState[kN - 1];
            i = 1;
        }
    }
    mState[0] = 0x80000000u;  // guarantees a non-zero state
    mIndex = kN;
}

void TRandom::Generate()
{
    auto twist = [](uint32_t a, uint32_t b, uint32_t m)
    {
        uint32_t y = (a & kUpper) | (b & kLower);
        return m ^ (y >> 1) ^ ((y & 1u) ? kMatrixA : 0u);
    };
    int k = 0;
    for (; k < kN - kM; ++k)
        mState[k] = twist(mState[k], mState[k + 1], mState[k + kM]);
    for (; k < kN - 1; ++k)
        mState[k] = twist(mState[k], mState[k + 1], mState[k + kM - kN]);
    mState[kN - 1] = twist(mState[kN - 1], mState[0], mState[kM - 1]);
    mIndex = 0;
}

unsigned int TRandom::Rand32()
{
    if (mIndex >= kN)
        Generate();
    uint32_t y = mState[mIndex++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

float TRandom::RandFloat()
{
    // Slightly less than 2^-32, so that the largest draw still rounds to a float below 1.
    return static_cast<float>(Rand32() * 2.3283063671497593e-10);
}

int TRandom::RandRange(int low, int high)
{
    uint32_t a = Rand32() >> 5;
    uint32_t b = Rand32() >> 6;
    double r = (a * 67108864.0 + b) * (1.0 / 9007199254740992.0);
    // 64-bit span: high - low + 1 overflows int for spans above INT_MAX.
    int64_t span = int64_t(high) - int64_t(low) + 1;
    return static_cast<int>(int64_t(low) + static_cast<int64_t>(span * r));
}
