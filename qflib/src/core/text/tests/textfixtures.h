// Helpers for the text tests: the generated font files, hand-made MVC4 images and shape programs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace texttest
{

inline std::string BinaryDir()
{
    const char* dir = getenv("QF_BINARY_DIR");
    return dir ? dir : ".";
}

inline std::string GeneratedFont(const char* name)
{
    return BinaryDir() + "/assets/fonts/" + name;
}

inline std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    return bytes;
}

// Shape programs.
class TProgram
{
public:
    TProgram& Op(uint8_t op)
    {
        bytes.push_back(op);
        return *this;
    }
    TProgram& Fill(uint8_t c) { return Op(2).Byte(c); }
    TProgram& Move(int x, int y) { return Op(4).I16(x).I16(y); }
    TProgram& Line(int x, int y) { return Op(5).I16(x).I16(y); }
    TProgram& Quad(int cx, int cy, int x, int y) { return Op(6).I16(cx).I16(cy).I16(x).I16(y); }
    TProgram& End() { return Op(8); }
    // A closed rectangle contour.
    TProgram& Rect(int x0, int y0, int x1, int y1)
    {
        return Move(x0, y0).Line(x1, y0).Line(x1, y1).Line(x0, y1).Line(x0, y0);
    }
    TProgram& Byte(uint8_t b)
    {
        bytes.push_back(b);
        return *this;
    }
    TProgram& I16(int v)
    {
        const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(v));
        bytes.push_back(static_cast<uint8_t>(u));
        bytes.push_back(static_cast<uint8_t>(u >> 8));
        return *this;
    }
    std::vector<uint8_t> bytes;
};

struct TGlyphSpec
{
    uint32_t code;
    int minX, maxX, top, bottom, advance;  // 1/128 units
    std::vector<uint8_t> program;
};

// An MVC4 image from glyph specs, in the order given (the caller sorts).
inline std::vector<uint8_t> BuildFont(const std::vector<TGlyphSpec>& glyphs)
{
    std::vector<uint8_t> out(12 + 18 * glyphs.size(), 0);
    memcpy(out.data(), "MVC4", 4);
    out[4] = static_cast<uint8_t>(glyphs.size());
    out[5] = static_cast<uint8_t>(glyphs.size() >> 8);
    for (size_t i = 0; i < glyphs.size(); ++i)
    {
        const TGlyphSpec& g = glyphs[i];
        uint8_t* r = &out[12 + 18 * i];
        for (int k = 0; k < 4; ++k)
            r[k] = static_cast<uint8_t>(g.code >> (8 * k));
        const int fields[5] = {g.minX, g.maxX, g.top, g.bottom, g.advance};
        for (int k = 0; k < 5; ++k)
        {
            const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(fields[k]));
            r[4 + 2 * k] = static_cast<uint8_t>(u);
            r[5 + 2 * k] = static_cast<uint8_t>(u >> 8);
        }
        const uint32_t offset = static_cast<uint32_t>(out.size());
        for (int k = 0; k < 4; ++k)
            r[14 + k] = static_cast<uint8_t>(offset >> (8 * k));
        // The record table is already its full size, so each program lands at this offset.
        out.insert(out.end(), g.program.begin(), g.program.end());
    }
    return out;
}

// A glyph whose program is a filled box over its own bounds.
inline TGlyphSpec BoxGlyph(uint32_t code, int top, int bottom, int advance)
{
    TProgram p;
    p.Fill(1).Rect(8, top, advance - 8, bottom).End();
    return TGlyphSpec{code, 8, advance - 8, top, bottom, advance, p.bytes};
}

// A copy of bytes as a new[] array, as TMvecFont takes it.
inline unsigned char* NewImage(const std::vector<uint8_t>& bytes)
{
    unsigned char* p = new unsigned char[bytes.empty() ? 1 : bytes.size()];
    if (!bytes.empty())
        memcpy(p, bytes.data(), bytes.size());
    return p;
}

}  // namespace texttest
