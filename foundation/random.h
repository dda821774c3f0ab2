// The framework random generator: the standard MT19937 Mersenne Twister. A default-constructed
// generator is seeded with a fixed key, so every run draws the same sequence until re-seeded.
#pragma once

#include <cstdint>

class TRandom
{
public:
    TRandom();

    // Array seeding of the reference generator; only the low 32 bits of each word are used.
    // An empty key seeds as the one-word key {0}.
    void SeedArray(const unsigned long* key, unsigned int length);
    // The next 32-bit draw.
    unsigned int Rand32();
    // A float in [0, 1).
    float RandFloat();
    // An int from low to high inclusive, from a 53-bit fraction (two draws).
    int RandRange(int low, int high);

private:
    static const int kN = 624;
    static const int kM = 397;
    void Generate();
    void SeedWord(uint32_t seed);

    uint32_t mState[kN];
    int mIndex;  // next word to hand out; kN means a new block is due
};
