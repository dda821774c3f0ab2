// mvecfont: converts an outline font (anything FreeType reads) into an "MVC4" vector font.
//
//   mvecfont <font file> <output.mvec> [--text <file>]... [--cpp <output.cpp> <symbol>]
//
// Besides a fixed character set (printable ASCII, Latin-1, Latin Extended-A, typographic marks)
// the font carries every character of the UTF-8 text files named with --text (string tables),
// as far as the outline font has them.
// The .mvec file: "MVC4", u16 glyph count, 6 zero bytes, one 18-byte record per glyph sorted by
// character code {u32 code, i16 min x, i16 max x, i16 top, i16 bottom, i16 advance, u32 program
// offset}, then the shape programs. All numbers little-endian; y grows downward; coordinates are
// in 1/128 of a font unit, and one font unit is the face's em, so ascent plus descent is about
// one unit.
//
// Shape programs fill in colour slot 1 (the caller's text colour) and never define colours. A
// layer fills by toggling at every edge (even-odd), so overlapping outer contours would cancel:
// each outer contour goes into a layer of its own together with the holes it contains, and the
// layers unite because the highest layer that has a colour shows. Every contour is closed with an
// explicit line back to its start.
//
// With --cpp the same bytes are also written as a C++ source defining
//   extern const unsigned char <symbol>[]; extern const unsigned int <symbol>Size;
// The output depends only on the font file: running the tool twice gives identical bytes.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace
{

struct TPoint2
{
    double x, y;  // program units, y down
};

// One segment of a contour: a line (control unused) or a quadratic curve.
struct TSegment
{
    bool curve;
    TPoint2 control;
    TPoint2 to;
};

struct TContour
{
    TPoint2 start;
    std::vector<TSegment> segments;
};

// The code points every font of the game carries: printable ASCII, Latin-1 (with the soft
// hyphen), Latin Extended-A, and the typographic marks texts use.
std::vector<uint32_t> CharacterSet()
{
    std::vector<uint32_t> codes;
    for (uint32_t c = 0x20; c <= 0x7E; ++c)
        codes.push_back(c);
    for (uint32_t c = 0xA0; c <= 0x17F; ++c)
        codes.push_back(c);
    const uint32_t extra[] = {0x2013, 0x2014, 0x2018, 0x2019, 0x201A, 0x201C, 0x201D, 0x201E,
                              0x2020, 0x2021, 0x2022, 0x2026, 0x2030, 0x2039, 0x203A, 0x20AC,
                              0x2122, 0x2190, 0x2191, 0x2192, 0x2193, 0x25B2, 0x25BC};
    codes.insert(codes.end(), std::begin(extra), std::end(extra));
    return codes;
}

class TOutlineCollector
{
public:
    explicit TOutlineCollector(double scale) : mScale(scale) {}

    std::vector<TContour> contours;

    TPoint2 Map(const FT_Vector* v) const
    {
        // Quantised here, once per point, so that the end of one segment is bit for bit the
        // start of the next.
        return TPoint2{std::round(v->x * mScale), std::round(-v->y * mScale)};
    }

    static int MoveTo(const FT_Vector* to, void* user)
    {
        auto* self = static_cast<TOutlineCollector*>(user);
        self->CloseContour();
        self->contours.push_back(TContour{self->Map(to), {}});
        self->mPen = self->contours.back().start;
        return 0;
    }
    static int LineTo(const FT_Vector* to, void* user)
    {
        auto* self = static_cast<TOutlineCollector*>(user);
        self->AddLine(self->Map(to));
        return 0;
    }
    static int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user)
    {
        auto* self = static_cast<TOutlineCollector*>(user);
        const TPoint2 c = self->Map(control), p = self->Map(to);
        self->contours.back().segments.push_back(TSegment{true, c, p});
        self->mPen = p;
        return 0;
    }
    static int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user)
    {
        // Two quadratics stand in for the cubic: split it at t = 1/2 (de Casteljau) and give
        // each half the control 3/4 of its two inner points minus 1/4 of its ends.
        auto* self = static_cast<TOutlineCollector*>(user);
        const TPoint2 p0 = self->mPen;
        const TPoint2 p1 = self->Map(c1), p2 = self->Map(c2), p3 = self->Map(to);
        auto mid = [](TPoint2 a, TPoint2 b) { return TPoint2{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
        const TPoint2 a = mid(p0, p1), b = mid(p1, p2), c = mid(p2, p3);
        const TPoint2 ab = mid(a, b), bc = mid(b, c);
        TPoint2 m = mid(ab, bc);
        m.x = std::round(m.x);
        m.y = std::round(m.y);
        const TPoint2 q1{std::round((3 * (a.x + ab.x) - p0.x - m.x) / 4),
                         std::round((3 * (a.y + ab.y) - p0.y - m.y) / 4)};
        const TPoint2 q2{std::round((3 * (bc.x + c.x) - m.x - p3.x) / 4),
                         std::round((3 * (bc.y + c.y) - m.y - p3.y) / 4)};
        self->contours.back().segments.push_back(TSegment{true, q1, m});
        self->contours.back().segments.push_back(TSegment{true, q2, p3});
        self->mPen = p3;
        return 0;
    }

    void AddLine(TPoint2 p)
    {
        if (p.x == mPen.x && p.y == mPen.y)
            return;
        contours.back().segments.push_back(TSegment{false, {0, 0}, p});
        mPen = p;
    }

    // Nothing closes a contour for the reader: end every one with a line to its start.
    void CloseContour()
    {
        if (contours.empty())
            return;
        const TPoint2 s = contours.back().start;
        if (mPen.x != s.x || mPen.y != s.y)
            AddLine(s);
    }

private:
    double mScale;
    TPoint2 mPen{0, 0};
};

// The contour as a polygon (curves cut into 8 chords), for area and containment tests.
std::vector<TPoint2> Flatten(const TContour& c)
{
    std::vector<TPoint2> poly{c.start};
    TPoint2 pen = c.start;
    for (const TSegment& s : c.segments)
    {
        if (s.curve)
        {
            for (int i = 1; i <= 8; ++i)
            {
                const double t = i / 8.0, u = 1 - t;
                poly.push_back(TPoint2{u * u * pen.x + 2 * u * t * s.control.x + t * t * s.to.x,
                                       u * u * pen.y + 2 * u * t * s.control.y + t * t * s.to.y});
            }
        }
        else
            poly.push_back(s.to);
        pen = s.to;
    }
    return poly;
}

double SignedArea(const std::vector<TPoint2>& p)
{
    double a = 0;
    for (size_t i = 0, n = p.size(); i < n; ++i)
    {
        const TPoint2& u = p[i];
        const TPoint2& v = p[(i + 1) % n];
        a += u.x * v.y - v.x * u.y;
    }
    return a / 2;
}

bool Contains(const std::vector<TPoint2>& poly, TPoint2 q)
{
    bool inside = false;
    for (size_t i = 0, n = poly.size(), j = n - 1; i < n; j = i++)
    {
        const TPoint2& a = poly[i];
        const TPoint2& b = poly[j];
        if ((a.y > q.y) != (b.y > q.y) && q.x < (b.x - a.x) * (q.y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

// Whether nine in ten of the inner polygon's points lie inside the outer one.
bool HoldsMost(const std::vector<TPoint2>& outer, const std::vector<TPoint2>& inner)
{
    size_t in = 0;
    for (const TPoint2& p : inner)
        in += Contains(outer, p);
    return in * 10 >= inner.size() * 9;
}

void PutU16(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void AppendI16(std::vector<uint8_t>& out, double v)
{
    const long q = std::lround(std::max(-32768.0, std::min(32767.0, v)));
    const uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(q));
    out.push_back(static_cast<uint8_t>(u));
    out.push_back(static_cast<uint8_t>(u >> 8));
}

struct TGlyphOut
{
    uint32_t code;
    double minX, maxX, top, bottom, advance;
    std::vector<uint8_t> program;
};

// Builds the shape program of one glyph: groups of (outer contour + its holes), one layer each.
std::vector<uint8_t> BuildProgram(const std::vector<TContour>& contours)
{
    std::vector<uint8_t> prog;
    std::vector<std::vector<TPoint2>> polys;
    std::vector<double> areas;
    for (const TContour& c : contours)
    {
        polys.push_back(Flatten(c));
        areas.push_back(SignedArea(polys.back()));
    }
    // The dominant orientation is that of the largest contour; contours turning the other way
    // are holes.
    size_t largest = 0;
    for (size_t i = 0; i < areas.size(); ++i)
        if (std::fabs(areas[i]) > std::fabs(areas[largest]))
            largest = i;
    const bool outerPositive = !areas.empty() && areas[largest] > 0;

    std::vector<int> parent(contours.size(), -1);
    std::vector<bool> isOuter(contours.size());
    for (size_t i = 0; i < contours.size(); ++i)
        isOuter[i] = (areas[i] > 0) == outerPositive;
    for (size_t i = 0; i < contours.size(); ++i)
    {
        if (isOuter[i] || polys[i].size() < 3)
            continue;
        // The smallest outer contour that holds the hole's own outline (nearly all of its
        // points: they may touch). A point inside the hole could lie in some other outer
        // contour nested in it, such as a letter inside a ring.
        double best = 0;
        for (size_t j = 0; j < contours.size(); ++j)
            if (isOuter[j] && HoldsMost(polys[j], polys[i]) && (parent[i] < 0 || std::fabs(areas[j]) < best))
            {
                parent[i] = static_cast<int>(j);
                best = std::fabs(areas[j]);
            }
    }

    auto emitContour = [&prog](const TContour& c)
    {
        prog.push_back(4);
        AppendI16(prog, c.start.x);
        AppendI16(prog, c.start.y);
        for (const TSegment& s : c.segments)
        {
            if (s.curve)
            {
                prog.push_back(6);
                AppendI16(prog, s.control.x);
                AppendI16(prog, s.control.y);
            }
            else
                prog.push_back(5);
            AppendI16(prog, s.to.x);
            AppendI16(prog, s.to.y);
        }
    };

    bool firstLayer = true;
    for (size_t i = 0; i < contours.size(); ++i)
    {
        if (!isOuter[i] && parent[i] >= 0)
            continue;  // drawn with its outer contour
        if (contours[i].segments.empty())
            continue;
        if (!firstLayer)
            prog.push_back(1);  // a new layer: unites with the ones below
        firstLayer = false;
        prog.push_back(2);  // fill colour 0 = slot 1, the text colour
        prog.push_back(1);
        emitContour(contours[i]);
        for (size_t j = 0; j < contours.size(); ++j)
            if (!isOuter[j] && parent[j] == static_cast<int>(i) && !contours[j].segments.empty())
                emitContour(contours[j]);
    }
    prog.push_back(8);
    return prog;
}

// Adds the code points of a UTF-8 file (malformed bytes are skipped). False when unreadable.
bool AddTextCharacters(const char* path, std::vector<uint32_t>* codes)
{
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    for (size_t i = 0; i < bytes.size();)
    {
        const unsigned char lead = bytes[i];
        const size_t len = lead < 0x80         ? 1
                           : (lead >> 5) == 6  ? 2
                           : (lead >> 4) == 14 ? 3
                           : (lead >> 3) == 30 ? 4
                                               : 0;
        if (len == 0 || i + len > bytes.size())
        {
            ++i;
            continue;
        }
        uint32_t c = len == 1 ? lead : lead & (0x7F >> len);
        bool ok = true;
        for (size_t k = 1; k < len; ++k)
        {
            ok = ok && (bytes[i + k] & 0xC0) == 0x80;
            c = c << 6 | (bytes[i + k] & 0x3F);
        }
        i += ok ? len : 1;
        if (ok && c >= 0x20)
            codes->push_back(c);
    }
    return true;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool WriteCpp(const std::string& path, const std::string& symbol, const std::vector<uint8_t>& bytes)
{
    std::string text = "// Generated by mvecfont at build time. Do not edit.\n";
    text += "extern const unsigned char " + symbol + "[];\n";
    text += "extern const unsigned int " + symbol + "Size;\n";
    text += "const unsigned int " + symbol + "Size = " + std::to_string(bytes.size()) + "u;\n";
    text += "alignas(4) const unsigned char " + symbol + "[] = {\n";
    char buf[8];
    for (size_t i = 0; i < bytes.size(); ++i)
    {
        snprintf(buf, sizeof buf, "%u,", bytes[i]);
        text += buf;
        if (i % 24 == 23)
            text += '\n';
    }
    text += "\n};\n";
    return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv)
{
    const char* usage =
        "usage: mvecfont <font file> <output.mvec> [--text <file>]... [--cpp <output.cpp> <symbol>]\n";
    if (argc < 3)
    {
        fprintf(stderr, "%s", usage);
        return 2;
    }
    std::vector<uint32_t> codes = CharacterSet();
    const char* cppPath = nullptr;
    const char* cppSymbol = nullptr;
    for (int a = 3; a < argc; ++a)
    {
        if (strcmp(argv[a], "--text") == 0 && a + 1 < argc)
        {
            if (!AddTextCharacters(argv[++a], &codes))
            {
                fprintf(stderr, "mvecfont: cannot read %s\n", argv[a]);
                return 1;
            }
        }
        else if (strcmp(argv[a], "--cpp") == 0 && a + 2 < argc)
        {
            cppPath = argv[++a];
            cppSymbol = argv[++a];
        }
        else
        {
            fprintf(stderr, "%s", usage);
            return 2;
        }
    }
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0)
    {
        fprintf(stderr, "mvecfont: FreeType could not start\n");
        return 1;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(lib, argv[1], 0, &face) != 0 || !FT_IS_SCALABLE(face))
    {
        fprintf(stderr, "mvecfont: %s is not a readable outline font\n", argv[1]);
        if (face)
            FT_Done_Face(face);
        FT_Done_FreeType(lib);
        return 1;
    }
    const double scale = 128.0 / face->units_per_EM;

    std::map<uint32_t, TGlyphOut> glyphs;  // ordered by code: the reader binary-searches
    for (uint32_t code : codes)
    {
        if (glyphs.count(code))
            continue;
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0 && code != 0x20)
            continue;
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            continue;
        TGlyphOut g;
        g.code = code;
        g.advance = std::round(face->glyph->metrics.horiAdvance * scale);
        g.minX = g.maxX = g.top = g.bottom = 0;
        TOutlineCollector collector(scale);
        if (face->glyph->format == FT_GLYPH_FORMAT_OUTLINE && face->glyph->outline.n_contours > 0)
        {
            FT_Outline_Funcs funcs{};
            funcs.move_to = &TOutlineCollector::MoveTo;
            funcs.line_to = &TOutlineCollector::LineTo;
            funcs.conic_to = &TOutlineCollector::ConicTo;
            funcs.cubic_to = &TOutlineCollector::CubicTo;
            if (FT_Outline_Decompose(&face->glyph->outline, &funcs, &collector) != 0)
                continue;
            collector.CloseContour();
        }
        bool any = false;
        auto take = [&](const TPoint2& p)
        {
            if (!any)
            {
                g.minX = g.maxX = p.x;
                g.top = g.bottom = p.y;
                any = true;
            }
            g.minX = std::min(g.minX, p.x);
            g.maxX = std::max(g.maxX, p.x);
            g.top = std::min(g.top, p.y);
            g.bottom = std::max(g.bottom, p.y);
        };
        for (const TContour& c : collector.contours)
        {
            take(c.start);
            for (const TSegment& s : c.segments)
            {
                if (s.curve)
                    take(s.control);
                take(s.to);
            }
        }
        g.program = BuildProgram(collector.contours);
        glyphs[code] = std::move(g);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(lib);

    if (!glyphs.count('W'))
    {
        fprintf(stderr, "mvecfont: the font has no \"W\", which sets the ascent\n");
        return 1;
    }
    const size_t n = glyphs.size();
    if (n > 0xFFFF)
    {
        fprintf(stderr, "mvecfont: %zu glyphs asked for; the format holds at most 65535\n", n);
        return 1;
    }
    std::vector<uint8_t> out(12 + 18 * n, 0);
    memcpy(out.data(), "MVC4", 4);
    PutU16(out, 4, static_cast<uint32_t>(n));
    size_t i = 0;
    for (auto& entry : glyphs)
    {
        TGlyphOut& g = entry.second;
        const size_t rec = 12 + 18 * i++;
        PutU32(out, rec, g.code);
        std::vector<uint8_t> metrics;
        AppendI16(metrics, g.minX);
        AppendI16(metrics, g.maxX);
        AppendI16(metrics, g.top);
        AppendI16(metrics, g.bottom);
        AppendI16(metrics, g.advance);
        memcpy(&out[rec + 4], metrics.data(), 10);
        PutU32(out, rec + 14, static_cast<uint32_t>(out.size()));
        out.insert(out.end(), g.program.begin(), g.program.end());
    }
    if (!WriteFile(argv[2], out))
    {
        fprintf(stderr, "mvecfont: cannot write %s\n", argv[2]);
        return 1;
    }
    if (cppPath && !WriteCpp(cppPath, cppSymbol, out))
    {
        fprintf(stderr, "mvecfont: cannot write %s\n", cppPath);
        return 1;
    }
    return 0;
}
