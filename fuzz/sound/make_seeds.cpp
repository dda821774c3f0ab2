// Writes the seed corpus of fuzz_sound_ogg: small generated Ogg Vorbis files (mono, stereo,
// three channels, empty, cut short) and a few non-Ogg inputs.
// Usage: make_sound_seeds <folder>
#include <cstdio>
#include <string>

#include "sound/oggfixture.h"

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    auto write = [&](const char* name, const std::vector<unsigned char>& bytes)
    {
        if (!qftest::WriteBytes(folder + "/" + name, bytes))
            std::fprintf(stderr, "cannot write %s\n", name);
    };
    write("mono22k.ogg", qftest::EncodeOggVorbis(qftest::MakeTone(440, 2000, 1, 22050), 0.0f));
    write("stereo44k.ogg", qftest::EncodeOggVorbis(qftest::MakeTone(660, 3000, 2, 44100), 0.0f));
    write("three.ogg", qftest::EncodeOggVorbis(qftest::MakeTone(300, 500, 3, 8000), 0.0f));
    write("empty.ogg", qftest::EncodeOggVorbis(qftest::MakeSilence(0, 1, 44100), 0.0f));
    std::vector<unsigned char> cut = qftest::EncodeOggVorbis(qftest::MakeTone(440, 4000, 1, 11025), 0.0f);
    cut.resize(cut.size() * 2 / 3);
    write("cut.ogg", cut);
    write("noise.bin", qftest::RandomBytes(300, 99));
    write("oggs-only.bin", std::vector<unsigned char>{'O', 'g', 'g', 'S', 0, 2, 0, 0});
    return 0;
}
