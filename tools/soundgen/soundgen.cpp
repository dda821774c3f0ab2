// soundgen: synthesises the game's sound effects and music as Ogg Vorbis files, deterministically
// (fixed stream serial numbers, a fixed noise generator, no clock).
// Usage: soundgen <output folder>
//
// Effects (names of sounds/soundeffects.xml): click, clock, buzz, levelcomplete, yumyum, puff,
// explosion, scream, womanscream, cat, crunch, zap, chomp, spitsound, goohurt, gulp.
// Looping sounds: buzzloop, engineloop, rotorloop, humloop, sirenloop.
// Music: alwaysloop (the menu loop), a, b, c (the level songs, each over 90 s in sections).
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace
{

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

// While set, a sound is rendered as a loop: whatever runs past its end (a note's tail, a drum's
// decay) continues at its start, so the end flows into the start when the sound repeats.
bool gCircular = false;

// Adds v to sample i of w (wrapped round when rendering a loop; dropped past the end otherwise).
inline void add(Wave& w, size_t i, double v)
{
    if (i < w.size())
        w[i] += static_cast<float>(v);
    else if (gCircular && !w.empty())
        w[i % w.size()] += static_cast<float>(v);
}

// Adds a tone whose frequency and amplitude follow functions of the time t in seconds (and
// the fraction u of the note's length); shape 0 sine, 1 square-ish, 2 saw-ish.
void tone(Wave& w, double start, double length, const std::function<double(double)>& freq,
          const std::function<double(double)>& amp, int shape = 0)
{
    double phase = 0.0;
    const size_t first = static_cast<size_t>(start * kRate);
    const size_t n = static_cast<size_t>(length * kRate);
    for (size_t i = 0; i < n && (gCircular || first + i < w.size()); ++i)
    {
        const double u = static_cast<double>(i) / n;
        phase += freq(u) / kRate;
        phase -= std::floor(phase);
        double v;
        if (shape == 0)
            v = std::sin(kTau * phase);
        else if (shape == 1)
            v = std::tanh(4.0 * std::sin(kTau * phase));
        else
            v = 0.6 * std::sin(kTau * phase) + 0.3 * std::sin(2 * kTau * phase) +
                0.15 * std::sin(3 * kTau * phase);
        add(w, first + i, v * amp(u));
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
    for (size_t i = 0; i < count && (gCircular || first + i < w.size()); ++i)
    {
        const double u = static_cast<double>(i) / count;
        y += cutoff * (n.next() - y);
        add(w, first + i, y * amp(u));
    }
}

std::function<double(double)> decay(double a, double k)
{
    return [a, k](double u) { return a * std::exp(-k * u); };
}
std::function<double(double)> env(double a, double attack = 0.05, double release = 0.3)
{
    return [=](double u)
    {
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

bool encode(const Wave& in, const std::string& name, uint32_t serial, float quality)
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
    if (vorbis_encode_init_vbr(&vi, 1, kRate, quality) != 0)
    {
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
    while (!eos)
    {
        const size_t n = std::min(chunk, in.size() - pos);
        if (n == 0)
            vorbis_analysis_wrote(&vd, 0);
        else
        {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                buffer[0][i] = static_cast<float>(in[pos + i] * gain);
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op))
            {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0)
                {
                    ok = ok &&
                         std::fwrite(og.header, 1, og.header_len, f) == static_cast<size_t>(og.header_len) &&
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

// Turns a loop round (it has no start of its own) so that it begins at its calmest moment: where
// the waveform moves least over a few milliseconds. The coder's small error at the ends of a
// file then falls where the sound is quiet and smooth, not on one of its steepest steps.
void startAtCalmest(Wave& w)
{
    const size_t n = w.size(), half = kRate / 1000;  // a 2 ms window
    if (n < 4 * half)
        return;
    std::vector<double> step(n);
    for (size_t i = 0; i < n; ++i)
        step[i] = std::fabs(w[i] - w[(i + n - 1) % n]);
    double run = 0;
    for (size_t i = 0; i < 2 * half; ++i)
        run += step[(i + n - half) % n];
    double best = run;
    size_t at = 0;
    for (size_t k = 1; k < n; ++k)
    {
        run += step[(k + half - 1) % n] - step[(k + n - half - 1) % n];
        if (run < best - 1e-12)
        {
            best = run;
            at = k;
        }
    }
    std::rotate(w.begin(), w.begin() + static_cast<long>(at), w.end());
}

// Sounds are coded at quality 0.3, which is plenty for effects and music; the short looping
// effects at 0.8, where the coder's error at the join of the loop stays below the steps of the
// waveform itself (they are small files either way).
void save(const Wave& sound, const std::string& name)
{
    Wave w = sound;
    const bool loopEffect = gCircular && w.size() <= static_cast<size_t>(2 * kRate);
    if (loopEffect)
        startAtCalmest(w);
    if (!encode(w, name, gSerial++, loopEffect ? 0.8f : 0.3f))
    {
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
        for (int i = 0; i < 4; ++i)
        {
            tone(w, i * 0.15, 1.4 - i * 0.15, fixed(midi(notes[i])), decay(0.35, 3), 2);
            tone(w, i * 0.15, 1.4 - i * 0.15, fixed(midi(notes[i] + 12)), decay(0.12, 4));
        }
        save(w, "levelcomplete");
    }
    {
        Wave w = make(0.4);
        for (int i = 0; i < 2; ++i)
            tone(
                w, i * 0.18, 0.16, [](double u) { return 320 - 140 * u + 20 * std::sin(u * 40); },
                env(0.6, 0.1, 0.4), 2);
        save(w, "yumyum");
    }
    {
        Wave w = make(0.35);
        noise(
            w, 0, 0.35, [](double u) { return 0.9 * std::sin(M_PI * std::sqrt(u)) * (1 - u); }, 0.25, 4);
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
        tone(
            w, 0, 0.8, [](double u) { return 500 + 400 * std::sin(M_PI * u) + 25 * std::sin(u * 90); },
            env(0.5, 0.08, 0.35), 2);
        noise(w, 0, 0.8, env(0.06, 0.1, 0.3), 0.6, 7);
        save(w, "scream");
    }
    {
        Wave w = make(0.8);
        tone(
            w, 0, 0.8, [](double u) { return 950 + 450 * std::sin(M_PI * u) + 35 * std::sin(u * 110); },
            env(0.45, 0.06, 0.35), 2);
        save(w, "womanscream");
    }
    {
        Wave w = make(0.6);
        tone(
            w, 0, 0.6, [](double u) { return 560 + 260 * std::sin(M_PI * u * 0.8) - 120 * u; },
            env(0.5, 0.15, 0.4), 2);
        tone(
            w, 0, 0.6, [](double u) { return 2 * (560 + 260 * std::sin(M_PI * u * 0.8) - 120 * u); },
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
        tone(
            w, 0, 0.35, [](double u) { return 260 - 150 * u + 30 * std::sin(u * 60); }, env(0.6, 0.05, 0.5),
            2);
        save(w, "goohurt");
    }
    {
        Wave w = make(0.28);
        tone(w, 0, 0.28, sweep(220, 110), env(0.6, 0.1, 0.5));
        tone(w, 0.12, 0.08, sweep(700, 1100), decay(0.2, 5));
        save(w, "gulp");
    }
}

// Looping sounds of moving things, rendered as loops (see gCircular). Every partial makes a
// whole number of cycles in the loop's length and every modulation a whole number of periods,
// so the waveform runs on across the join as it does everywhere else.
void loops()
{
    gCircular = true;
    const double len = 1.0;
    {
        Wave w = make(len);  // a fly's buzz: a saw at 180 Hz, wavering 6 times a second
        tone(
            w, 0, len, [](double u) { return 180.0 + 6.0 * std::cos(kTau * 6 * u); },
            [](double u) { return 0.35 + 0.1 * std::sin(kTau * 12 * u); }, 2);
        save(w, "buzzloop");
    }
    {
        Wave w = make(len);  // an engine: 55 Hz square-ish with a 110 Hz saw, throbbing at 8 Hz
        tone(
            w, 0, len, fixed(55), [](double u) { return 0.3 + 0.12 * std::sin(kTau * 8 * u); }, 1);
        tone(w, 0, len, fixed(110), fixed(0.12), 2);
        save(w, "engineloop");
    }
    {
        Wave w = make(len);  // rotor blades: a low thud 12 times a second
        tone(w, 0, len, fixed(70),
             [](double u) { return 0.5 * std::pow(0.5 + 0.5 * std::cos(kTau * 12 * u), 6); });
        tone(
            w, 0, len, fixed(140),
            [](double u) { return 0.15 * std::pow(0.5 + 0.5 * std::cos(kTau * 12 * u), 4); }, 2);
        save(w, "rotorloop");
    }
    {
        Wave w = make(2.0);  // a deep hum with a slow beat (two partials 1 Hz apart)
        tone(w, 0, 2.0, fixed(48), fixed(0.35));
        tone(w, 0, 2.0, fixed(49), fixed(0.3));
        tone(w, 0, 2.0, fixed(96), fixed(0.1), 2);
        save(w, "humloop");
    }
    {
        // A two-tone siren that glides between its notes (660 and 880 Hz, one of each a
        // second) instead of switching: its mean pitch of 770 Hz makes 770 whole cycles a
        // loop, and the glide is symmetric, so the waveform is the same on both sides of the
        // join.
        Wave w = make(len);
        auto pitch = [](double u) { return 770.0 - 110.0 * std::tanh(5.0 * std::cos(kTau * u)); };
        tone(w, 0, len, pitch, fixed(0.3), 2);
        tone(
            w, 0, len, [&](double u) { return 2 * pitch(u); }, fixed(0.06));
        save(w, "sirenloop");
    }
    gCircular = false;
}

// Music. A piece is a list of sections; each has its own chord progression, instrumentation,
// melody seed and loudness, and the melody is varied on every repeat of a section (its seed
// moves on, notes change octave, rests come and go). Bass, pad, lead, arpeggio and drums come in
// and out by section, and a section can swell or fade across its length, so a piece has an arc:
// a soft opening, full themes, a quiet breakdown, a build back up and an outro that settles to
// the opening's loudness. The last bar is a pick-up (a rising run and a drum fill) into the
// first, and the piece is rendered as a loop, so its end flows into its start whether it repeats
// or the jukebox follows it with another piece that opens the same way.
struct Section
{
    std::vector<std::vector<int>> chords;  // one chord (semitones from the root) per bar
    int repeats;                           // how often the chord list plays
    double lead, arp, pad, drums;          // levels of the parts (0 = silent)
    int octave;                            // lead octave shift
    double from, to;                       // loudness of the band at the start and the end
};

void drumHit(Wave& w, double t, int kind, double level, uint32_t seed)
{
    if (kind == 0)
    {  // kick
        tone(w, t, 0.18, sweep(110, 45), decay(0.55 * level, 6));
    }
    else if (kind == 1)
    {  // snare
        noise(w, t, 0.16, decay(0.3 * level, 7), 0.7, seed);
        tone(w, t, 0.08, fixed(190), decay(0.15 * level, 8));
    }
    else
    {  // hat
        noise(w, t, 0.04, decay(0.12 * level, 10), 0.95, seed);
    }
}

Wave piece(const std::vector<Section>& sections, double bpm, int root, uint32_t seed, int leadShape)
{
    const double beat = 60.0 / bpm;
    int totalBars = 0;
    for (const Section& sec : sections)
        totalBars += static_cast<int>(sec.chords.size()) * sec.repeats;
    Wave w = make(totalBars * 4 * beat);
    Noise pick(seed);
    double t0 = 0;
    int barIndex = 0;
    const std::vector<int>& firstChord = sections.front().chords.front();
    for (size_t si = 0; si < sections.size(); ++si)
    {
        const Section& sec = sections[si];
        const int bars = static_cast<int>(sec.chords.size()) * sec.repeats;
        for (int rep = 0; rep < sec.repeats; ++rep)
        {
            for (size_t ci = 0; ci < sec.chords.size(); ++ci, ++barIndex)
            {
                const int barInSection = rep * static_cast<int>(sec.chords.size()) + static_cast<int>(ci);
                // the band's loudness in this bar, on its way from `from` to `to`
                const double g =
                    sec.from + (sec.to - sec.from) * (bars > 1 ? barInSection / (bars - 1.0) : 1.0);
                const bool lastBar = barIndex == totalBars - 1;
                const std::vector<int>& ch = sec.chords[ci];
                // bass: root on 1 and 3, a passing note on 4
                tone(w, t0, 2 * beat, fixed(midi(root - 24 + ch[0])), env(0.32 * g, 0.02, 0.3), 0);
                tone(w, t0 + 2 * beat, 1.5 * beat, fixed(midi(root - 24 + ch[0])), env(0.28 * g, 0.02, 0.3),
                     0);
                tone(w, t0 + 3.5 * beat, 0.5 * beat, fixed(midi(root - 24 + ch[1 % ch.size()])),
                     env(0.2 * g, 0.05, 0.4), 0);
                if (sec.pad > 0)  // the last bar's chord rings on over the join
                    for (int n : ch)
                        tone(w, t0, (lastBar ? 5 : 4) * beat, fixed(midi(root + n)),
                             env(0.06 * sec.pad * g, 0.3, 0.3), 2);
                if (sec.arp > 0)
                    for (int s = 0; s < 8; ++s)
                    {
                        const int n = ch[(s + rep) % ch.size()] + ((s / 4 + ci) % 2 ? 12 : 0);
                        tone(w, t0 + s * beat / 2, beat / 2, fixed(midi(root + n)),
                             decay(0.07 * sec.arp * g, 6), 1);
                    }
                if (lastBar)
                {
                    // the pick-up: the lead climbs through the first chord an octave up in
                    // eighths, its last note held over the join into the first downbeat
                    for (int s = 0; s < 8; ++s)
                    {
                        const int n = firstChord[s % firstChord.size()] + 12 * (s / 3);
                        tone(w, t0 + s * beat / 2, (s == 7 ? 2.0 : 0.5) * beat, fixed(midi(root + n)),
                             env(0.11 * (0.6 + 0.05 * s) * g, 0.04, 0.5), leadShape);
                    }
                }
                else if (sec.lead > 0)
                {
                    // the lead: a rhythm of 1-3 notes per beat, chord tones with passing steps;
                    // the last bar of a section lands on the root
                    double tt = 0;
                    while (tt < 4 * beat - 1e-6)
                    {
                        const double r = pick.next();
                        const double len = (r > 0.5 ? 1.0 : (r > -0.4 ? 0.5 : 1.5)) * beat;
                        const double dur = std::min(len, 4 * beat - tt);
                        const bool rest = pick.next() < -0.75 + 0.1 * (rep % 2);
                        int n = ch[static_cast<int>((pick.next() + 1.0) * 1.5) % ch.size()];
                        if (pick.next() > 0.55)
                            n += 2;  // a passing step
                        if (ci + 1 == sec.chords.size() && rep + 1 == sec.repeats &&
                            tt + dur >= 4 * beat - 1e-6)
                            n = 12;
                        const int oct = 12 * sec.octave + ((rep % 2 && pick.next() > 0.3) ? 12 : 0);
                        if (!rest)
                            tone(w, t0 + tt, dur, fixed(midi(root + 12 + n + oct)),
                                 env(0.15 * sec.lead * g, 0.04, 0.5), leadShape);
                        tt += dur;
                    }
                }
                if (sec.drums > 0 || lastBar)
                {
                    const double d = std::max(sec.drums, 0.5) * g;
                    for (int s = 0; s < 8; ++s)
                    {
                        const double t = t0 + s * beat / 2;
                        const uint32_t ns = seed + static_cast<uint32_t>(barIndex * 8 + s);
                        if (lastBar && s >= 4)
                        {  // the fill: sixteenth snares, rising
                            drumHit(w, t, 1, d * (0.5 + 0.1 * s), ns);
                            drumHit(w, t + beat / 4, 1, d * (0.55 + 0.1 * s), ns + 1000);
                            continue;
                        }
                        if (s == 0 || s == 4 || (s == 5 && ci % 2))
                            drumHit(w, t, 0, d, ns);
                        if (s == 2 || s == 6)
                            drumHit(w, t, 1, d, ns);
                        drumHit(w, t, 2, d * (s % 2 ? 0.7 : 1.0), ns);
                    }
                }
                t0 += 4 * beat;
            }
        }
    }
    return w;
}

// The loudness every piece opens and ends at (the RMS of its first bars), so that any piece
// can follow any other, or itself, at one level.
const double kMusicOpening = 0.085;

// Scales a piece so that its opening is at kMusicOpening (and its peaks stay below full scale).
void level(Wave& w, double bpm)
{
    const size_t n = std::min(w.size(), static_cast<size_t>(4 * 4 * 60.0 / bpm * kRate));
    double sum = 0, peak = 1e-9;
    for (size_t i = 0; i < n; ++i)
        sum += static_cast<double>(w[i]) * w[i];
    for (float v : w)
        peak = std::max(peak, static_cast<double>(std::fabs(v)));
    const double gain = std::min(kMusicOpening / std::sqrt(sum / n + 1e-12), 0.95 / peak);
    for (float& v : w)
        v = static_cast<float>(v * gain);
}

void music()
{
    gCircular = true;
    using V = std::vector<std::vector<int>>;
    // The menu loop: calm; a soft opening, the theme, a quiet bridge that swells, the theme
    // again and a settling close.
    {
        const V intro = {{0, 4, 7}, {-3, 0, 4}, {-7, -3, 0}, {-5, -1, 2}};
        const V bridge = {{-4, 0, 3}, {-2, 2, 5}, {0, 4, 7}, {-5, -1, 2}};
        const double bpm = 96;
        Wave w = piece({{intro, 1, 0, 1, 1, 0, 0, 0.55, 0.6},
                        {intro, 2, 0.8, 0.6, 1, 0.4, 0, 0.75, 0.9},
                        {bridge, 1, 0.6, 0, 1, 0, 1, 0.4, 0.4},
                        {bridge, 1, 0.9, 0.8, 1, 0.5, 1, 0.5, 0.9},
                        {intro, 2, 1, 0.6, 1, 0.6, 0, 0.95, 1.0},
                        {intro, 1, 0.5, 1, 1, 0, 0, 0.8, 0.65}},
                       bpm, 60, 11, 0);
        level(w, bpm);
        save(w, "alwaysloop");
    }
    // Level pieces: each over 90 s: a soft opening, themes, a breakdown with the drums out, a
    // build back to the full band, the theme and an outro down to the opening's loudness.
    {  // a: bright, A major-ish
        const V A = {{0, 4, 7}, {5, 9, 12}, {7, 11, 14}, {5, 9, 12}};
        const V B = {{-3, 0, 4}, {2, 5, 9}, {-5, -1, 2}, {0, 4, 7}};
        const V C = {{5, 9, 12}, {4, 7, 11}, {2, 5, 9}, {7, 11, 14}};
        const double bpm = 112;
        Wave w = piece({{A, 1, 0, 1, 0.6, 0.3, 0, 0.5, 0.6},
                        {A, 3, 1, 0.6, 0.5, 1, 0, 0.8, 1.0},
                        {B, 3, 0.9, 1, 0.8, 1, 1, 1.0, 1.0},
                        {C, 2, 0.5, 0, 1, 0, 0, 0.35, 0.35},
                        {C, 1, 0.7, 1, 1, 0.6, 0, 0.45, 0.9},
                        {A, 3, 1, 0.8, 0.6, 1, 1, 1.0, 1.0},
                        {B, 2, 0.8, 1, 1, 0.6, 0, 0.85, 0.6}},
                       bpm, 57, 21, 2);
        level(w, bpm);
        save(w, "a");
    }
    {  // b: minor, steady
        const V A = {{0, 3, 7}, {-4, 0, 3}, {-2, 2, 5}, {-5, -1, 2}};
        const V B = {{5, 8, 12}, {3, 7, 10}, {-2, 2, 5}, {0, 3, 7}};
        const V C = {{-4, 0, 3}, {-2, 2, 5}, {0, 3, 7}, {0, 3, 7}};
        const double bpm = 104;
        Wave w = piece({{A, 2, 0, 1, 1, 0.3, 0, 0.5, 0.65},
                        {A, 2, 1, 0.5, 0.8, 0.8, 0, 0.8, 1.0},
                        {B, 3, 1, 1, 0.6, 1, 1, 1.0, 1.0},
                        {C, 2, 0.6, 0, 1, 0, 0, 0.35, 0.4},
                        {C, 1, 0.8, 1, 1, 0.6, 0, 0.5, 0.95},
                        {A, 3, 1, 1, 0.8, 1, 1, 1.0, 1.0},
                        {B, 2, 0.9, 0.6, 1, 0.5, 0, 0.85, 0.6}},
                       bpm, 55, 31, 0);
        level(w, bpm);
        save(w, "b");
    }
    {  // c: quick and busy
        const V A = {{0, 4, 7}, {2, 5, 9}, {-3, 0, 4}, {-5, -1, 2}};
        const V B = {{5, 9, 12}, {7, 11, 14}, {4, 7, 11}, {-3, 0, 4}};
        const V C = {{-7, -3, 0}, {-5, -1, 2}, {0, 4, 7}, {0, 4, 7}};
        const double bpm = 120;
        Wave w = piece({{A, 2, 0, 1, 0.4, 0.4, 0, 0.5, 0.65},
                        {A, 3, 1, 0.8, 0.4, 1, 0, 0.8, 1.0},
                        {B, 3, 1, 1, 0.7, 1, 1, 1.0, 1.0},
                        {C, 2, 0.6, 0, 1, 0, 1, 0.35, 0.4},
                        {C, 1, 0.8, 1, 1, 0.7, 1, 0.5, 0.95},
                        {A, 3, 1, 1, 0.5, 1, 1, 1.0, 1.0},
                        {B, 2, 1, 0.6, 1, 0.6, 0, 0.85, 0.6}},
                       bpm, 62, 41, 1);
        level(w, bpm);
        save(w, "c");
    }
    gCircular = false;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: soundgen <output folder>\n");
        return 2;
    }
    gOut = argv[1];
    effects();
    loops();
    music();
    return gOk ? 0 : 1;
}
