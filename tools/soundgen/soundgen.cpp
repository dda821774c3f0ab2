// soundgen: synthesises the game's sound effects and music as Ogg Vorbis files, deterministically
// (fixed stream serial numbers, a fixed noise generator, no clock).
// Usage: soundgen <output folder>
//
// Effects (names of sounds/soundeffects.xml): click, clock, buzz, levelcomplete, yumyum, puff,
// explosion, scream, womanscream, cat, crunch, zap, chomp, spitsound, goohurt, gulp.
// Music: alwaysloop (the menu loop), a, b, c (the level songs).
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const int kRate = 22050;
const double kTau = 6.283185307179586;
std::string gOut;
bool gOk = true;

using Wave = std::vector<float>;

// A fixed pseudo-random source for noise (so every build writes the same bytes).
class Noise
{
public:
    explicit Noise(uint32_t seed) : s(seed | 1u) {}
    double next()  // -1 .. 1
    {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return (s / 4294967295.0) * 2.0 - 1.0;
    }

private:
    uint32_t s;
};

Wave make(double seconds)
{
    return Wave(static_cast<size_t>(seconds * kRate), 0.0f);
}

// Adds a tone whose frequency and amplitude follow functions of the time t in seconds (and
// the fraction u of the note's length); shape 0 sine, 1 square-ish, 2 saw-ish.
void tone(Wave& w, double start, double length, const std::function<double(double)>& freq,
          const std::function<double(double)>& amp, int shape = 0)
{
    double phase = 0.0;
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t n = static_cast<size_t>(length * kRate);
    for (size_t i = 0; i < n && first + i < w.size(); ++i) {
        const double u = static_cast<double>(i) / n;
        phase += freq(u) / kRate;
        phase -= std::floor(phase);
        double v;
        if (shape == 0)
            v = std::sin(kTau * phase);
        else if (shape == 1)
            v = std::tanh(4.0 * std::sin(kTau * phase));
        else
            v = 0.6 * std::sin(kTau * phase) + 0.3 * std::sin(2 * kTau * phase) + 0.15 * std::sin(3 * kTau * phase);
        w[first + i] += static_cast<float>(v * amp(u));
    }
}

// Adds noise through a one-pole low-pass (cutoff 0..1, higher is brighter).
void noise(Wave& w, double start, double length, const std::function<double(double)>& amp, double cutoff,
           uint32_t seed)
{
    Noise n(seed);
    double y = 0.0;
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t count = static_cast<size_t>(length * kRate);
    for (size_t i = 0; i < count && first + i < w.size(); ++i) {
        const double u = static_cast<double>(i) / count;
        y += cutoff * (n.next() - y);
        w[first + i] += static_cast<float>(y * amp(u));
    }
}

std::function<double(double)> decay(double a, double k)
{
    return [a, k](double u) { return a * std::exp(-k * u); };
}
std::function<double(double)> env(double a, double attack = 0.05, double release = 0.3)
{
    return [=](double u) {
        double e = 1.0;
        if (u < attack)
            e = u / attack;
        else if (u > 1.0 - release)
            e = (1.0 - u) / release;
        return a * e;
    };
}
std::function<double(double)> fixed(double f)
{
    return [f](double) { return f; };
}
std::function<double(double)> sweep(double f1, double f2)
{
    return [f1, f2](double u) { return f1 + (f2 - f1) * u; };
}

double midi(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

bool encode(const Wave& in, const std::string& name, uint32_t serial)
{
    // Normalise to a safe peak.
    double peak = 1e-9;
    for (float v : in)
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
    const double gain = peak > 0.9 ? 0.9 / peak : 1.0;

    const std::string path = gOut + "/" + name + ".ogg";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 1, kRate, 0.3f) != 0) {
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_comment_add_tag(&vc, "TITLE", name.c_str());
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, static_cast<int>(serial));
    ogg_packet header, comments, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    bool ok = true;
    while (ogg_stream_flush(&os, &og) != 0)
        ok = ok && std::fwrite(og.header, 1, og.header_len, f) == static_cast<size_t>(og.header_len) &&
             std::fwrite(og.body, 1, og.body_len, f) == static_cast<size_t>(og.body_len);

    size_t pos = 0;
    const size_t chunk = 1024;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min(chunk, in.size() - pos);
        if (n == 0)
            vorbis_analysis_wrote(&vd, 0);
        else {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                buffer[0][i] = static_cast<float>(in[pos + i] * gain);
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    ok = ok && std::fwrite(og.header, 1, og.header_len, f) == static_cast<size_t>(og.header_len) &&
                         std::fwrite(og.body, 1, og.body_len, f) == static_cast<size_t>(og.body_len);
                    if (ogg_page_eos(&og))
                        eos = true;
                }
            }
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return std::fclose(f) == 0 && ok;
}

uint32_t gSerial = 0x51f0;

void save(const Wave& w, const std::string& name)
{
    if (!encode(w, name, gSerial++)) {
        std::fprintf(stderr, "soundgen: cannot write %s/%s.ogg\n", gOut.c_str(), name.c_str());
        gOk = false;
    }
}

void effects()
{
    {
        Wave w = make(0.06);
        noise(w, 0, 0.02, decay(0.8, 8), 0.9, 1);
        tone(w, 0, 0.06, fixed(2200), decay(0.4, 10));
        save(w, "click");
    }
    {
        Wave w = make(1.0);
        tone(w, 0.0, 0.08, fixed(1250), decay(0.8, 9));
        noise(w, 0.0, 0.01, decay(0.5, 5), 0.7, 2);
        tone(w, 0.5, 0.08, fixed(940), decay(0.8, 9));
        noise(w, 0.5, 0.01, decay(0.5, 5), 0.7, 3);
        save(w, "clock");
    }
    {
        Wave w = make(0.45);
        tone(w, 0, 0.45, fixed(110), env(0.6, 0.02, 0.2), 1);
        tone(w, 0, 0.45, fixed(113), env(0.4, 0.02, 0.2), 1);
        save(w, "buzz");
    }
    {
        Wave w = make(1.4);
        const int notes[] = {60, 64, 67, 72};
        for (int i = 0; i < 4; ++i) {
            tone(w, i * 0.15, 1.4 - i * 0.15, fixed(midi(notes[i])), decay(0.35, 3), 2);
            tone(w, i * 0.15, 1.4 - i * 0.15, fixed(midi(notes[i] + 12)), decay(0.12, 4));
        }
        save(w, "levelcomplete");
    }
    {
        Wave w = make(0.4);
        for (int i = 0; i < 2; ++i)
            tone(w, i * 0.18, 0.16, [](double u) { return 320 - 140 * u + 20 * std::sin(u * 40); },
                 env(0.6, 0.1, 0.4), 2);
        save(w, "yumyum");
    }
    {
        Wave w = make(0.35);
        noise(w, 0, 0.35, [](double u) { return 0.9 * std::sin(M_PI * std::sqrt(u)) * (1 - u); }, 0.25, 4);
        save(w, "puff");
    }
    {
        Wave w = make(1.3);
        noise(w, 0, 1.3, decay(1.0, 4), 0.12, 5);
        noise(w, 0, 0.2, decay(0.6, 10), 0.8, 6);
        tone(w, 0, 1.0, sweep(70, 35), decay(0.6, 4));
        save(w, "explosion");
    }
    {
        Wave w = make(0.8);
        tone(w, 0, 0.8, [](double u) { return 500 + 400 * std::sin(M_PI * u) + 25 * std::sin(u * 90); },
             env(0.5, 0.08, 0.35), 2);
        noise(w, 0, 0.8, env(0.06, 0.1, 0.3), 0.6, 7);
        save(w, "scream");
    }
    {
        Wave w = make(0.8);
        tone(w, 0, 0.8, [](double u) { return 950 + 450 * std::sin(M_PI * u) + 35 * std::sin(u * 110); },
             env(0.45, 0.06, 0.35), 2);
        save(w, "womanscream");
    }
    {
        Wave w = make(0.6);
        tone(w, 0, 0.6, [](double u) { return 560 + 260 * std::sin(M_PI * u * 0.8) - 120 * u; },
             env(0.5, 0.15, 0.4), 2);
        tone(w, 0, 0.6, [](double u) { return 2 * (560 + 260 * std::sin(M_PI * u * 0.8) - 120 * u); },
             env(0.15, 0.2, 0.4));
        save(w, "cat");
    }
    {
        Wave w = make(0.18);
        for (int i = 0; i < 3; ++i)
            noise(w, i * 0.05, 0.05, decay(0.8, 6), 0.5, 8 + i);
        save(w, "crunch");
    }
    {
        Wave w = make(0.25);
        tone(w, 0, 0.25, sweep(1500, 300), decay(0.5, 3), 1);
        save(w, "zap");
    }
    {
        Wave w = make(0.22);
        tone(w, 0, 0.2, sweep(140, 60), decay(0.8, 6));
        noise(w, 0, 0.08, decay(0.5, 8), 0.4, 12);
        save(w, "chomp");
    }
    {
        Wave w = make(0.15);
        noise(w, 0, 0.15, decay(0.7, 5), 0.7, 13);
        tone(w, 0, 0.15, sweep(900, 400), decay(0.3, 5));
        save(w, "spitsound");
    }
    {
        Wave w = make(0.35);
        tone(w, 0, 0.35, [](double u) { return 260 - 150 * u + 30 * std::sin(u * 60); }, env(0.6, 0.05, 0.5), 2);
        save(w, "goohurt");
    }
    {
        Wave w = make(0.28);
        tone(w, 0, 0.28, sweep(220, 110), env(0.6, 0.1, 0.5));
        tone(w, 0.12, 0.08, sweep(700, 1100), decay(0.2, 5));
        save(w, "gulp");
    }
}

// A short loopable song: a chord progression with bass, pad and a melody drawn from the chord
// tones by a fixed pattern. Bars of 4 beats at the given tempo; every bar ends on the beat so
// the song loops cleanly.
Wave song(const int (*chords)[3], int numChords, int bars, double bpm, int root, int melodySeed, double brightness)
{
    const double beat = 60.0 / bpm;
    Wave w = make(bars * 4 * beat);
    Noise pick(static_cast<uint32_t>(melodySeed));
    for (int b = 0; b < bars; ++b) {
        const int* ch = chords[b % numChords];
        const double t0 = b * 4 * beat;
        tone(w, t0, 4 * beat, fixed(midi(root - 12 + ch[0])), env(0.30, 0.02, 0.2));
        for (int k = 0; k < 3; ++k)
            tone(w, t0, 4 * beat, fixed(midi(root + ch[k])), env(0.07, 0.3, 0.3), 2);
        for (int s = 0; s < 8; ++s) {
            const int idx = static_cast<int>((pick.next() + 1.0) * 1.5) % 3;
            const int octave = pick.next() > 0.6 ? 12 : 0;
            if (pick.next() < -0.7)
                continue;  // a rest
            tone(w, t0 + s * beat / 2, beat / 2, fixed(midi(root + 12 + ch[idx] + octave)),
                 decay(0.16 * brightness, 5), s % 2 ? 0 : 2);
        }
        for (int s = 0; s < 4; ++s)
            noise(w, t0 + s * beat, 0.05, decay(s % 2 ? 0.10 : 0.05, 8), 0.9, 100 + b * 4 + s);
    }
    return w;
}

void music()
{
    const int menu[][3] = {{0, 4, 7}, {-3, 0, 4}, {-7, -3, 0}, {-5, -1, 2}};
    save(song(menu, 4, 8, 96, 60, 11, 0.8), "alwaysloop");
    const int a[][3] = {{0, 4, 7}, {5, 9, 12}, {7, 11, 14}, {5, 9, 12}};
    save(song(a, 4, 12, 112, 57, 21, 1.0), "a");
    const int b[][3] = {{0, 3, 7}, {-4, 0, 3}, {-2, 2, 5}, {-5, -1, 2}};
    save(song(b, 4, 12, 104, 55, 31, 0.9), "b");
    const int c[][3] = {{0, 4, 7}, {2, 5, 9}, {-3, 0, 4}, {-5, -1, 2}};
    save(song(c, 4, 12, 120, 62, 41, 1.0), "c");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundgen <output folder>\n");
        return 2;
    }
    gOut = argv[1];
    effects();
    music();
    return gOk ? 0 : 1;
}
