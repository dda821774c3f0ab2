// Ogg Vorbis fixtures for the sound tests, benchmarks and fuzz seeds: PCM synthesis and an
// encoder over libvorbisenc, so no binary sound file has to be checked in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qftest
{

// Interleaved signed 16-bit PCM.
struct Pcm
{
    int rate = 44100;
    int channels = 1;
    std::vector<int16_t> samples;  // frames * channels values

    size_t Frames() const { return channels > 0 ? samples.size() / channels : 0; }
};

// A sine tone of `frames` frames; every channel carries the same wave. Amplitude is 0..1 of full
// scale.
Pcm MakeTone(double hz, size_t frames, int channels, int rate, double amplitude = 0.5);

// Frames of digital silence.
Pcm MakeSilence(size_t frames, int channels, int rate);

// Encodes PCM as an Ogg Vorbis file in memory. The granule positions keep the exact frame count,
// so a decoder reports exactly `pcm.Frames()` frames. Returns an empty vector on failure.
std::vector<unsigned char> EncodeOggVorbis(const Pcm& pcm, float quality = 0.4f);

// Bytes that are not an Ogg stream (deterministic from the seed).
std::vector<unsigned char> RandomBytes(size_t n, uint32_t seed);

// Writes bytes to a host path; false on failure.
bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace qftest
