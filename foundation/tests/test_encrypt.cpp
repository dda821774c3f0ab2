#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/encrypt.h"
#include "foundation/random.h"

namespace
{
std::vector<unsigned char> Hex(const char* hex)
{
    std::vector<unsigned char> out;
    for (size_t i = 0; hex[i] && hex[i + 1]; i += 2)
        out.push_back(static_cast<unsigned char>(std::stoul(std::string(hex + i, 2), nullptr, 16)));
    return out;
}

std::string B64(const std::string& in)
{
    std::string out(Base64EncodeGetLength(in.size()), '?');
    unsigned long n = Base64Encode(&out[0], in.data(), in.size());
    out.resize(n);
    return out;
}

std::string UnB64(const std::string& in)
{
    std::string out(Base64DecodeGetLength(in.size()), '?');
    unsigned long n = Base64Decode(&out[0], in.data(), in.size());
    EXPECT_LE(n, out.size());
    out.resize(n);
    return out;
}
}  // namespace

TEST(BlowfishTables, AreTheHexDigitsOfPi)
{
    const uint32_t* t = TBlowfish::InitialTables();
    EXPECT_EQ(t[0], 0x243F6A88u);                 // P[0]
    EXPECT_EQ(t[1], 0x85A308D3u);                 // P[1]
    EXPECT_EQ(t[17], 0x8979FB1Bu);                // P[17]
    EXPECT_EQ(t[18], 0xD1310BA6u);                // S0[0]
    EXPECT_EQ(t[18 + 4 * 256 - 1], 0x3AC372E6u);  // S3[255]
}

struct BlockVector
{
    const char* key;
    const char* plain;
    const char* cipher;
};

class BlowfishVectors : public ::testing::TestWithParam<BlockVector>
{
};

TEST_P(BlowfishVectors, EncipherAndDecipherTheStandardVector)
{
    const BlockVector& v = GetParam();
    std::vector<unsigned char> key = Hex(v.key), plain = Hex(v.plain), cipher = Hex(v.cipher);
    TBlowfish fish;
    fish.Init(key.data(), static_cast<int>(key.size()));
    uint32_t L = uint32_t(plain[0]) << 24 | plain[1] << 16 | plain[2] << 8 | plain[3];
    uint32_t R = uint32_t(plain[4]) << 24 | plain[5] << 16 | plain[6] << 8 | plain[7];
    uint32_t cl = uint32_t(cipher[0]) << 24 | cipher[1] << 16 | cipher[2] << 8 | cipher[3];
    uint32_t cr = uint32_t(cipher[4]) << 24 | cipher[5] << 16 | cipher[6] << 8 | cipher[7];
    fish.EncryptBlock(&L, &R);
    EXPECT_EQ(L, cl);
    EXPECT_EQ(R, cr);
    fish.DecryptBlock(&L, &R);
    EXPECT_EQ(L, uint32_t(plain[0]) << 24 | plain[1] << 16 | plain[2] << 8 | plain[3]);
    EXPECT_EQ(R, uint32_t(plain[4]) << 24 | plain[5] << 16 | plain[6] << 8 | plain[7]);

    // The padded string form enciphers the same first block (big-endian words).
    int outLen = 0;
    unsigned char* out = fish.EncryptString(reinterpret_cast<const char*>(plain.data()), 8, &outLen);
    ASSERT_EQ(outLen, 16);
    EXPECT_EQ(0, memcmp(out, cipher.data(), 8));
    delete[] out;
}

INSTANTIATE_TEST_SUITE_P(
    Published, BlowfishVectors,
    ::testing::Values(BlockVector{"0000000000000000", "0000000000000000", "4EF997456198DD78"},
                      BlockVector{"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
                      BlockVector{"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
                      BlockVector{"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
                      BlockVector{"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
                      BlockVector{"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"}));

TEST(Base64, MatchesTheStandardVectors)
{
    const char* cases[][2] = {{"", ""},
                              {"f", "Zg=="},
                              {"fo", "Zm8="},
                              {"foo", "Zm9v"},
                              {"foob", "Zm9vYg=="},
                              {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}};
    for (auto& c : cases)
    {
        EXPECT_EQ(B64(c[0]), c[1]) << c[0];
        EXPECT_EQ(UnB64(c[1]), c[0]) << c[1];
    }
}

TEST(Base64, LengthsAndUnpaddedInput)
{
    EXPECT_EQ(Base64DecodeGetLength(12), 9u);
    EXPECT_EQ(Base64EncodeGetLength(16), 24u);
    EXPECT_EQ(Base64EncodeGetLength(0), 0u);
    EXPECT_EQ(Base64DecodeGetLength(1), 3u);
    // Input short of a multiple of 4 is taken as padded with "=".
    EXPECT_EQ(UnB64("Zm9vYg"), "foob");
    EXPECT_EQ(UnB64("Zm9vYmE"), "fooba");
}

TEST(Base64, RoundTripsEveryByteValueAndLength)
{
    TRandom rnd;
    for (size_t len = 0; len < 70; ++len)
    {
        std::string data(len, '\0');
        for (auto& ch : data)
            ch = static_cast<char>(rnd.Rand32());
        std::string enc = B64(data);
        EXPECT_EQ(enc.size(), Base64EncodeGetLength(len));
        EXPECT_EQ(UnB64(enc), data) << len;
    }
}

TEST(Base64, CharactersOutsideTheAlphabetGarbleWithoutOverrun)
{
    const char* bad[] = {"!!!!", "\xff\x80\x01", "Zm9v\n", "====", "A", "A=B="};
    for (const char* b : bad)
    {
        std::string in(b);
        std::vector<unsigned char> out(Base64DecodeGetLength(in.size()));
        unsigned long n = Base64Decode(out.data(), in.data(), in.size());
        EXPECT_LE(n, out.size()) << b;
    }
}

class EncryptFixture : public ::testing::Test
{
protected:
    TEncrypt mCrypt{str("Key4Tests9AA")};
};

TEST_F(EncryptFixture, BinaryFormSizesAndRoundTrip)
{
    const unsigned int lengths[] = {0, 1, 7, 8, 9, 16, 100};
    for (unsigned int n : lengths)
    {
        std::vector<unsigned char> plain(n);
        for (unsigned int i = 0; i < n; ++i)
            plain[i] = static_cast<unsigned char>(i * 37 + 1);
        for (bool asText : {false, true})
        {
            unsigned int cipherLen = (n / 8 + 1) * 8;
            unsigned int expect = asText ? (cipherLen + 2) / 3 * 4 + 1 : cipherLen;
            unsigned int need = mCrypt.EncryptBinary(plain.data(), n, nullptr, 0, asText);
            ASSERT_EQ(need, expect) << n << " " << asText;
            std::vector<unsigned char> cipher(need, 0xEE);
            EXPECT_EQ(mCrypt.EncryptBinary(plain.data(), n, cipher.data(), need - 1, asText), need);
            ASSERT_EQ(mCrypt.EncryptBinary(plain.data(), n, cipher.data(), need, asText), 0u);
            if (asText)
            {
                EXPECT_EQ(cipher.back(), 0);
            }

            unsigned int plainNeed = mCrypt.DecryptBinary(cipher.data(), need, nullptr, 0, asText);
            ASSERT_EQ(plainNeed, n);
            std::vector<unsigned char> back(n + 1, 0xEE);
            ASSERT_EQ(mCrypt.DecryptBinary(cipher.data(), need, back.data(), n + 1, asText), 0u);
            EXPECT_TRUE(n == 0 || memcmp(back.data(), plain.data(), n) == 0);
        }
    }
}

TEST_F(EncryptFixture, EmptyInputEnciphersOneBlockOfEights)
{
    TBlowfish fish;
    unsigned char key[9];
    Base64Decode(key, TEncrypt::NormaliseKey("Key4Tests9AA").c_str(), 12);
    fish.Init(key, 9);
    uint32_t L = 0x08080808, R = 0x08080808;
    fish.EncryptBlock(&L, &R);
    unsigned char out[8];
    ASSERT_EQ(mCrypt.EncryptBinary("", 0, out, 8, false), 0u);
    EXPECT_EQ(uint32_t(out[0]) << 24 | out[1] << 16 | out[2] << 8 | out[3], L);
    EXPECT_EQ(uint32_t(out[4]) << 24 | out[5] << 16 | out[6] << 8 | out[7], R);
}

TEST_F(EncryptFixture, StringFormRoundTrip)
{
    str fiveChars = mCrypt.EncryptStr("hello");
    EXPECT_EQ(fiveChars.length(), 12u);  // 6 bytes with the zero -> 8 -> 12 characters
    EXPECT_EQ(mCrypt.DecryptStr(fiveChars), str("hello"));

    const char* texts[] = {"", "x", "seven77", "eight888", "a longer text with UTF-8 \xC3\xA9 in it"};
    for (const char* t : texts)
        EXPECT_EQ(mCrypt.DecryptStr(mCrypt.EncryptStr(t)), str(t)) << t;
}

TEST_F(EncryptFixture, DamagedInputGivesEmptyOrWrongBytesNeverOverreads)
{
    EXPECT_EQ(mCrypt.DecryptStr(""), str(""));
    EXPECT_EQ(mCrypt.DecryptStr(str()), str(""));
    EXPECT_EQ(mCrypt.DecryptBinary("", 0, nullptr, 0, false), 0u);
    EXPECT_EQ(mCrypt.DecryptBinary(nullptr, 5, nullptr, 0, false), 0u);
    // Sizes that would overflow the 32-bit results are refused before any byte is read.
    EXPECT_EQ(mCrypt.EncryptBinary("x", 0xFFFFFFFFu, nullptr, 0, true), 0xFFFFFFFFu);
    EXPECT_EQ(mCrypt.DecryptBinary("x", 0xFFFFFFFFu, nullptr, 0, false), 0u);

    // Odd lengths, non-alphabet characters: whatever comes out stays within the input size.
    const char* junk[] = {"abc", "!!!!!!!!!!!!", "QUJD", "QUJDREVGR0g=", "\xff\xfe\xfd"};
    for (const char* j : junk)
    {
        unsigned int n = static_cast<unsigned int>(strlen(j));
        unsigned int need = mCrypt.DecryptBinary(j, n, nullptr, 0, false);
        EXPECT_LE(need, (n + 7) / 8 * 8);
        unsigned int needText = mCrypt.DecryptBinary(j, n, nullptr, 0, true);
        EXPECT_LE(needText, Base64DecodeGetLength(n) + 8);
        mCrypt.DecryptStr(j);
    }
}

TEST(EncryptKey, ShortAndLongKeysAreNormalised)
{
    EXPECT_EQ(TEncrypt::NormaliseKey("abc"), str("abcAAAAAAAAA"));
    EXPECT_EQ(TEncrypt::NormaliseKey("abcdefghijklmnop"), str("abcdefghiAAA"));
    EXPECT_EQ(TEncrypt::NormaliseKey("abcdefghiXYZ"), str("abcdefghiAAA"));
    EXPECT_EQ(TEncrypt::NormaliseKey("abcdefghiAAA"), str("abcdefghiAAA"));
    EXPECT_EQ(TEncrypt::NormaliseKey(""), str("AAAAAAAAAAAA"));

    // Keys that agree in their first nine characters encipher identically.
    TEncrypt a("abc"), b("abcAAAAAAZZZ"), c("abd");
    str text = "same text";
    EXPECT_EQ(a.EncryptStr(text), b.EncryptStr(text));
    EXPECT_NE(a.EncryptStr(text), c.EncryptStr(text));
    EXPECT_EQ(c.DecryptStr(a.EncryptStr(text)) == text, false);
}
