#include "oggfixture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include <vorbis/vorbisenc.h>

namespace qftest
{

Pcm MakeTone(double hz, size_t frames, int channels, int rate, double amplitude)
{
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = channels;
    pcm.samples.resize(frames * static_cast<size_t>(channels));
    const double step = 2.0 * M_PI * hz / rate;
    for (size_t f = 0; f < frames; ++f)
    {
        const double v = std::sin(step * static_cast<double>(f)) * amplitude * 32767.0;
        const int16_t s = static_cast<int16_t>(std::lround(v));
        for (int c = 0; c < channels; ++c)
            pcm.samples[f * channels + c] = s;
    }
    return pcm;
}

Pcm MakeSilence(size_t frames, int channels, int rate)
{
    Pcm pcm;
    pcm.rate = rate;
    pcm.channels = channels;
    pcm.samples.assign(frames * static_cast<size_t>(channels), 0);
    return pcm;
}

namespace
{

void AppendPage(std::vector<unsigned char>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

}  // namespace

std::vector<unsigned char> EncodeOggVorbis(const Pcm& pcm, float quality)
{
    std::vector<unsigned char> out;
    if (pcm.channels < 1 || pcm.rate < 1)
        return out;

    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, pcm.channels, pcm.rate, quality) != 0)
    {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_block vb;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block_init(&vd, &vb);

    ogg_stream_state os;
    ogg_stream_init(&os, 0x51F05);  // fixed serial: identical output for identical input

    ogg_packet header, headerComm, headerCode;
    vorbis_analysis_headerout(&vd, &vc, &header, &headerComm, &headerCode);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &headerComm);
    ogg_stream_packetin(&os, &headerCode);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0)
        AppendPage(out, page);

    const size_t frames = pcm.Frames();
    const size_t chunk = 1024;
    size_t done = 0;
    bool eos = false;
    while (!eos)
    {
        const size_t n = std::min(chunk, frames - done);
        if (n == 0)
        {
            vorbis_analysis_wrote(&vd, 0);
        }
        else
        {
            float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t f = 0; f < n; ++f)
                for (int c = 0; c < pcm.channels; ++c)
                    buffer[c][f] = pcm.samples[(done + f) * pcm.channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1)
        {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet))
            {
                ogg_stream_packetin(&os, &packet);
                while (!eos && ogg_stream_pageout(&os, &page) != 0)
                {
                    AppendPage(out, page);
                    if (ogg_page_eos(&page))
                        eos = true;
                }
            }
        }
        if (n == 0 && !eos)
        {
            // Everything was written; force out what is left.
            while (ogg_stream_flush(&os, &page) != 0)
            {
                AppendPage(out, page);
                if (ogg_page_eos(&page))
                    eos = true;
            }
            eos = true;
        }
    }

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::vector<unsigned char> RandomBytes(size_t n, uint32_t seed)
{
    std::vector<unsigned char> out(n);
    uint32_t x = seed ? seed : 1u;
    for (size_t i = 0; i < n; ++i)
    {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<unsigned char>(x >> 24);
    }
    return out;
}

bool WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const size_t n = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), f);
    const bool ok = std::fclose(f) == 0 && n == bytes.size();
    return ok;
}

}  // namespace qftest
