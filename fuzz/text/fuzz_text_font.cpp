// Any byte string as an ".mvec" font image: metrics and lookups, then every glyph (up to 300)
// rasterised into a memory buffer at two sizes, in italics and with outlines.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "text/minivecdraw.h"
#include "text/mvec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char* image = new unsigned char[size ? size : 1];
    if (size)
        memcpy(image, data, size);
    TMvecFont font(image, size);
    const float ad = font.GetAscent() + font.GetDescent();
    const float unit = ad > 0.05f ? 1.0f / ad : 1.0f;
    font.GetLeading(true);
    font.GetGlyphIndex('W');
    font.GetGlyphIndex(0xFFFFFFFFul);

    static std::vector<TColor32> pixels(size_t(96) * 96);
    TQfMiniVecDraw draw;
    draw.SetColor(1, TColor(1, 1, 1, 1), 1.0f);
    draw.SetColor(255, TColor(1, 0, 0, 1), 1.0f);
    const int count = font.GetGlyphCount() < 300 ? font.GetGlyphCount() : 300;
    for (int pass = 0; pass < 3; ++pass)
    {
        // Run scales of a 16- and a 40-pixel line, in quarter pixels per program unit.
        const float scale = (pass == 1 ? 40.0f : 16.0f) * 0.8f * 4 * unit / 128;
        draw.mScaleX = scale;
        draw.mItalic = pass == 2;
        draw.mOutlineWidth[0] = pass == 2 ? 1.5f : 0.0f;
        draw.mAccumulate = pass == 1;
        pixels.assign(pixels.size(), TColor32(0u));
        draw.StartBuffer(20.5f, 70.25f, pixels.data(), 96, 96, 96);
        for (int i = 0; i < count; ++i)
        {
            draw.mScaleY = scale * font.GetGlyphScaleY(i);
            font.GetGlyphAdvance(i);
            font.GetGlyphMinX(i);
            draw.Draw(font.GetGlyphData(i), i % 7, -(i % 5), font.GetGlyphDataSize(i));
        }
        draw.Stop();
    }
    return 0;
}
