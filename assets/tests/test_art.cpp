// The built pictures as a player sees them:
// - no stray pixels: around every cell of every sheet the padding is clear, so nothing of a
//   neighbouring cell shows beside a sprite, a tip picture or a gallery entry;
// - every world's ground differs from every other world's at a glance;
// - every kind of thing that appears in a world's levels, and the goo, stands out from that
//   world's ground;
// - each tip's picture shows a thing its text names.
// Everything is read from the level files and the definitions, so the checks follow whatever
// the levels place where.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "artfiles.h"
#include "foundation/stringtable.h"

namespace
{
using namespace arttest;

// ----- colour ---------------------------------------------------------------------------------

struct Rgb
{
    double r = 0, g = 0, b = 0;
};

struct Lab
{
    double L = 0, a = 0, b = 0;
};

double Linear(double c)
{
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

// Relative luminance of an sRGB colour (0 black .. 1 white).
double Luminance(const Rgb& c)
{
    return 0.2126 * Linear(c.r) + 0.7152 * Linear(c.g) + 0.0722 * Linear(c.b);
}

// CIE L*a*b* (D65 white) of an sRGB colour.
Lab ToLab(const Rgb& c)
{
    const double r = Linear(c.r), g = Linear(c.g), b = Linear(c.b);
    const double x = (0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047;
    const double y = 0.2126 * r + 0.7152 * g + 0.0722 * b;
    const double z = (0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883;
    auto f = [](double t) { return t > 0.008856 ? std::cbrt(t) : 7.787 * t + 16.0 / 116.0; };
    return {116.0 * f(y) - 16.0, 500.0 * (f(x) - f(y)), 200.0 * (f(y) - f(z))};
}

// CIE 1976 colour difference: about 2.3 is the smallest difference an eye notices.
double DeltaE(const Lab& p, const Lab& q)
{
    return std::sqrt((p.L - q.L) * (p.L - q.L) + (p.a - q.a) * (p.a - q.a) + (p.b - q.b) * (p.b - q.b));
}

// Luminance contrast ratio, 1 (none) to 21 (black on white).
double ContrastRatio(const Rgb& p, const Rgb& q)
{
    const double a = Luminance(p) + 0.05, b = Luminance(q) + 0.05;
    return std::max(a, b) / std::min(a, b);
}

// A block of a picture averaged, weighting colour by alpha. Returns the mean alpha.
double BlockMean(const Picture& pic, int x1, int y1, int x2, int y2, Rgb* out)
{
    double r = 0, g = 0, b = 0, a = 0;
    int n = 0;
    for (int y = y1; y < y2; ++y)
        for (int x = x1; x < x2; ++x, ++n)
        {
            const uint8_t* p = pic.at(x, y);
            const double al = p[3] / 255.0;
            r += p[0] / 255.0 * al;
            g += p[1] / 255.0 * al;
            b += p[2] / 255.0 * al;
            a += al;
        }
    if (a > 0)
        *out = {r / a, g / a, b / a};
    return n ? a / n : 0.0;
}

// ----- the ground and the things on it ----------------------------------------------------------

// A ground as a set of colours: the means of 8 x 8 blocks, and the mean of all.
struct Ground
{
    std::vector<Lab> samples;
    Rgb mean;
    Lab meanLab;
};

Ground ReadGround(const Picture& pic, const Rect& r)
{
    Ground g;
    const int step = 8;
    double sr = 0, sg = 0, sb = 0;
    int n = 0;
    for (int y = r.y1; y + step <= r.y2; y += step)
        for (int x = r.x1; x + step <= r.x2; x += step)
        {
            Rgb c;
            BlockMean(pic, x, y, x + step, y + step, &c);
            g.samples.push_back(ToLab(c));
            sr += c.r;
            sg += c.g;
            sb += c.b;
            ++n;
        }
    g.mean = {sr / n, sg / n, sb / n};
    g.meanLab = ToLab(g.mean);
    return g;
}

// What is measured of one kind on one ground. A sprite is looked at as it shows small on
// screen (4 x 4 blocks of its cell averaged, 32 blocks across a 128 px cell); a block is part of
// its silhouette when it is at least half opaque, and it stands out when its colour, laid over
// the ground, differs by at least kStandOut from nine in ten of the ground's own colours.
struct Legibility
{
    double share = 0;      // of the silhouette's blocks that stand out
    double meanDelta = 0;  // colour difference of the silhouette's mean colour from the ground's
    double ratio = 1;      // luminance contrast of those two
};

// A colour difference seen at a glance, not on inspection: thirteen just-noticeable
// differences. Set where it sorts the old art as players did: it marks every pairing they
// could not read (green cocci on pale agar, pale diatoms on pond green, pale crumbs on a tan
// table, grey goo and pigeons on grey asphalt, white clouds on a busy white sky) and the two
// pairs of worlds they took for one (bugs and lawn, soil and tabletop), and passes what they
// read without trouble.
const double kStandOut = 30.0;
// Half of a thing's silhouette must stand out for its shape to read against the ground.
const double kMinShare = 0.5;

Legibility Measure(const Picture& pic, const Rect& cell, const Rgb& tint, double tintAlpha, const Ground& g)
{
    Legibility out;
    const int step = 4;
    int inside = 0, standing = 0;
    double sr = 0, sg = 0, sb = 0;
    for (int y = cell.y1; y + step <= cell.y2; y += step)
        for (int x = cell.x1; x + step <= cell.x2; x += step)
        {
            Rgb c;
            const double a = BlockMean(pic, x, y, x + step, y + step, &c) * tintAlpha;
            if (a < 0.5)
                continue;
            ++inside;
            const Rgb over{c.r * tint.r * a + g.mean.r * (1 - a), c.g * tint.g * a + g.mean.g * (1 - a),
                           c.b * tint.b * a + g.mean.b * (1 - a)};
            sr += over.r;
            sg += over.g;
            sb += over.b;
            const Lab lab = ToLab(over);
            size_t far = 0;
            for (const Lab& s : g.samples)
                if (DeltaE(lab, s) >= kStandOut)
                    ++far;
            if (far * 10 >= g.samples.size() * 9)
                ++standing;
        }
    if (inside == 0)
        return out;
    out.share = static_cast<double>(standing) / inside;
    const Rgb mean{sr / inside, sg / inside, sb / inside};
    out.meanDelta = DeltaE(ToLab(mean), g.meanLab);
    out.ratio = ContrastRatio(mean, g.mean);
    return out;
}

struct KindPicture
{
    CellRef cell;
    Rgb tint{1, 1, 1};
    double alpha = 1;
    bool threat = false;  // it eats or hurts the goo
};

class ArtTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        maps = ReadImageMaps();
        ASSERT_FALSE(maps.empty());
        frames = ReadFirstFrames();
        Doc t = LoadXml(contenttest::SourceAssets() + "graphics/tiledefs.xml");
        ASSERT_NE(t.root, nullptr);
        for (TXmlNode* d : Children(t.root, "tiledef"))
            tiles[Attr(d, "name")] =
                PictureOf(Attr(d, "imagemap"), IntAttr(d, "cell", 0), Attr(d, "animationdef"));
        Doc e = LoadXml(contenttest::SourceAssets() + "graphics/entitydefs.xml");
        ASSERT_NE(e.root, nullptr);
        for (TXmlNode* d : Children(e.root, "entitydef"))
        {
            KindPicture k;
            k.cell = PictureOf(Attr(d, "imagemap"), IntAttr(d, "imagemapcell", 0), Attr(d, "animationdef"));
            k.tint = {NumAttr(d, "r", 1), NumAttr(d, "g", 1), NumAttr(d, "b", 1)};
            k.alpha = NumAttr(d, "a", 1);
            for (TXmlNode* r : Children(d, "reaction"))
            {
                const std::string effect = Attr(r, "effect");
                if (Attr(r, "entitydef") == "greygoo" &&
                    (effect == "eat" || effect == "damage" || effect == "damagedestroyself"))
                    k.threat = true;
            }
            kinds[Attr(d, "name")] = k;
        }
    }

    // The picture of an image map's cell, or of an animation's first frame when one is named.
    CellRef PictureOf(const std::string& map, int cell, const std::string& animation)
    {
        if (!map.empty())
            return Cell(maps, map, cell);
        auto it = frames.find(animation);
        return it == frames.end() ? CellRef() : Cell(maps, it->second.first, it->second.second);
    }

    // The levels, each with its ground: the opaque tile it lays most under the entities (its
    // ground detail is mostly clear and lies over the ground).
    std::vector<struct LevelCast> Levels();

    std::map<std::string, ImageMap> maps;
    std::map<std::string, std::pair<std::string, int>> frames;
    std::map<std::string, CellRef> tiles;
    std::map<std::string, KindPicture> kinds;
    Pictures pictures;
};

// Every level file with the tiles of its layers under the entities (how often each is used)
// and the kinds it brings on (its emitters, and the goo). Its ground is filled in by
// ArtTest::Levels.
struct LevelCast
{
    std::string file, ground;
    std::map<std::string, int> below;
    std::set<std::string> kinds;
};

std::vector<LevelCast> ReadLevels()
{
    std::vector<LevelCast> out;
    std::vector<std::filesystem::path> files;
    for (const auto& e : std::filesystem::directory_iterator(contenttest::SourceAssets() + "levels"))
        if (e.path().extension() == ".xml" && e.path().filename() != "medaltimes.xml")
            files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& path : files)
    {
        Doc d = LoadXml(path.string());
        if (!d.root)
            continue;
        LevelCast level;
        level.file = path.filename().string();
        level.kinds.insert("greygoo");
        for (TXmlNode* e : Children(d.root, "emitter"))
            level.kinds.insert(Attr(e, "entitydef"));
        for (TXmlNode* layers : Children(d.root, "tilelayers"))
            for (TXmlNode* layer : Children(layers, "tilelayer"))
                if (Attr(layer, "ontop") != "true")
                    for (TXmlNode* t : Children(layer, "tile"))
                        if (!Attr(t, "name").empty() && Attr(t, "name") != "null")
                            ++level.below[Attr(t, "name")];
        out.push_back(level);
    }
    return out;
}

std::vector<LevelCast> ArtTest::Levels()
{
    std::vector<LevelCast> levels = ReadLevels();
    for (LevelCast& l : levels)
    {
        int best = 0;
        for (const auto& t : l.below)
        {
            auto it = tiles.find(t.first);
            if (it == tiles.end() || it->second.file.empty() || t.second <= best)
                continue;
            const arttest::Picture* pic = pictures.get(it->second.file);
            if (!pic)
                continue;
            Rgb unused;
            const Rect& r = it->second.rect;
            if (BlockMean(*pic, r.x1, r.y1, r.x2, r.y2, &unused) < 0.95)
                continue;
            best = t.second;
            l.ground = t.first;
        }
    }
    return levels;
}

// Image maps whose cells are meant to touch their edges: the window frames, buttons, check
// boxes and scroll arrows are cut in slices that meet their neighbours on screen, and the
// mouse pointers have their tip on the picture's corner pixel.
const std::set<std::string> kEdgeToEdge = {"button",     "gui",       "checkbox",   "arrows",
                                           "mousearrow", "mousehand", "mousecarret"};

TEST_F(ArtTest, EveryCellIsSurroundedByClearPadding)
{
    std::set<CellRef> seen;
    int checked = 0;
    for (const auto& m : maps)
    {
        if (kEdgeToEdge.count(m.first))
            continue;
        const Picture* pic = pictures.get(m.second.file);
        ASSERT_NE(pic, nullptr) << m.second.file << ".png";
        for (size_t i = 0; i < m.second.cells.size(); ++i)
        {
            const Rect r = m.second.cells[i];
            if (!seen.insert({m.second.file, r}).second)
                continue;
            ++checked;
            ASSERT_TRUE(r.x1 >= 0 && r.y1 >= 0 && r.x2 <= pic->width && r.y2 <= pic->height && r.x1 < r.x2 &&
                        r.y1 < r.y2)
                << m.first << " cell " << i;
            int stray = 0;
            int firstX = -1, firstY = -1;
            auto flag = [&](int x, int y)
            {
                if (stray++ == 0)
                {
                    firstX = x;
                    firstY = y;
                }
            };
            if (m.second.padded)
            {
                // The border outside a padded cell repeats the cell's opposite edge (the tiles
                // wrap), so it holds nothing but the cell's own pixels.
                const int w = r.x2 - r.x1, h = r.y2 - r.y1;
                for (int y = r.y1 - 1; y <= r.y2; ++y)
                    for (int x = r.x1 - 1; x <= r.x2; ++x)
                    {
                        if (x >= r.x1 && x < r.x2 && y >= r.y1 && y < r.y2)
                            continue;
                        if (x < 0 || y < 0 || x >= pic->width || y >= pic->height)
                            continue;
                        const int sx = r.x1 + ((x - r.x1) % w + w) % w, sy = r.y1 + ((y - r.y1) % h + h) % h;
                        if (!std::equal(pic->at(x, y), pic->at(x, y) + 4, pic->at(sx, sy)))
                            flag(x, y);
                    }
            }
            else
            {
                // A sprite cell keeps its outermost ring of pixels fully clear.
                for (int y = r.y1; y < r.y2; ++y)
                    for (int x = r.x1; x < r.x2; ++x)
                        if ((x == r.x1 || x == r.x2 - 1 || y == r.y1 || y == r.y2 - 1) &&
                            pic->at(x, y)[3] != 0)
                            flag(x, y);
            }
            EXPECT_EQ(stray, 0) << m.first << " (" << m.second.file << ".png) cell " << i << " at " << r.x1
                                << "," << r.y1 << ": " << stray
                                << " stray pixels in its padding, the first at " << firstX << "," << firstY;
        }
    }
    EXPECT_GT(checked, 100);
}

TEST_F(ArtTest, SparseTilesKeepTheirShapesInsideTheCell)
{
    // A mostly clear tile (ground detail, props, tufts...) is laid sparsely, flipped or turned,
    // beside empty cells: a shape that crossed its edge would show cut off along a straight
    // line. Its outer two pixels all round are clear.
    int sparse = 0;
    for (const auto& t : tiles)
    {
        const CellRef& c = t.second;
        ASSERT_FALSE(c.file.empty()) << t.first;
        const arttest::Picture* pic = pictures.get(c.file);
        ASSERT_NE(pic, nullptr) << c.file;
        long clear = 0, all = 0;
        for (int y = c.rect.y1; y < c.rect.y2; ++y)
            for (int x = c.rect.x1; x < c.rect.x2; ++x, ++all)
                clear += pic->at(x, y)[3] == 0;
        if (clear * 2 < all)
            continue;  // a ground: opaque, and it wraps
        ++sparse;
        int cut = 0;
        for (int y = c.rect.y1; y < c.rect.y2; ++y)
            for (int x = c.rect.x1; x < c.rect.x2; ++x)
            {
                const bool edge =
                    x < c.rect.x1 + 2 || y < c.rect.y1 + 2 || x >= c.rect.x2 - 2 || y >= c.rect.y2 - 2;
                cut += edge && pic->at(x, y)[3] != 0;
            }
        EXPECT_EQ(cut, 0) << t.first << ": " << cut << " pixels on the cell's edge would show cut off";
    }
    EXPECT_GE(sparse, 24);
}

TEST_F(ArtTest, EveryWorldsGroundDiffersFromEveryOther)
{
    // Two worlds' grounds differ in their overall colour by a difference seen at a glance, so
    // that a screenshot tells the worlds apart by the ground alone.
    const double kApart = kStandOut;
    std::map<CellRef, std::string> grounds;
    for (const LevelCast& l : Levels())
    {
        ASSERT_FALSE(l.ground.empty()) << l.file << " has no ground layer";
        ASSERT_TRUE(tiles.count(l.ground)) << l.file << ": unknown tile " << l.ground;
        grounds.emplace(tiles[l.ground], l.ground);
    }
    ASSERT_GE(grounds.size(), 12u);
    std::vector<std::pair<std::string, Ground>> g;
    for (const auto& c : grounds)
    {
        const arttest::Picture* pic = pictures.get(c.first.file);
        ASSERT_NE(pic, nullptr) << c.first.file;
        g.push_back({c.second, ReadGround(*pic, c.first.rect)});
    }
    std::printf("Ground colours (L* a* b*) and the nearest other ground:\n");
    for (size_t i = 0; i < g.size(); ++i)
    {
        double nearest = 1e9;
        std::string other;
        for (size_t j = 0; j < g.size(); ++j)
            if (j != i && DeltaE(g[i].second.meanLab, g[j].second.meanLab) < nearest)
            {
                nearest = DeltaE(g[i].second.meanLab, g[j].second.meanLab);
                other = g[j].first;
            }
        const Lab& m = g[i].second.meanLab;
        std::printf("  %-16s %5.1f %6.1f %6.1f   nearest %-16s dE %5.1f\n", g[i].first.c_str(), m.L, m.a, m.b,
                    other.c_str(), nearest);
        EXPECT_GE(nearest, kApart) << g[i].first << " looks like " << other;
    }
}

TEST_F(ArtTest, EverythingInAWorldStandsOutFromItsGround)
{
    // world (ground tile) -> kinds seen on it, over all levels
    std::map<std::string, std::set<std::string>> worlds;
    for (const LevelCast& l : Levels())
    {
        ASSERT_FALSE(l.ground.empty()) << l.file << " has no ground layer";
        worlds[l.ground].insert(l.kinds.begin(), l.kinds.end());
    }
    std::printf(
        "Legibility on each ground: share of the silhouette standing out (dE >= %.0f from 90%% of the "
        "ground), mean colour difference dE, luminance contrast ratio. Needed: share >= %.2f.\n",
        kStandOut, kMinShare);
    int measured = 0;
    for (const auto& w : worlds)
    {
        ASSERT_TRUE(tiles.count(w.first)) << w.first;
        const CellRef& gc = tiles[w.first];
        const arttest::Picture* gp = pictures.get(gc.file);
        ASSERT_NE(gp, nullptr) << gc.file;
        const Ground ground = ReadGround(*gp, gc.rect);
        std::printf("  %s\n", w.first.c_str());
        for (const std::string& kind : w.second)
        {
            ASSERT_TRUE(kinds.count(kind)) << w.first << ": unknown kind " << kind;
            const KindPicture& k = kinds[kind];
            ASSERT_FALSE(k.cell.file.empty()) << kind << " has no picture";
            const arttest::Picture* kp = pictures.get(k.cell.file);
            ASSERT_NE(kp, nullptr) << k.cell.file;
            const Legibility l = Measure(*kp, k.cell.rect, k.tint, k.alpha, ground);
            ++measured;
            std::printf("    %-14s share %4.2f  dE %5.1f  ratio %4.2f%s\n", kind.c_str(), l.share,
                        l.meanDelta, l.ratio, l.share < kMinShare ? "  <- hard to see" : "");
            EXPECT_GE(l.share, kMinShare) << kind << " on " << w.first << " (mean dE " << l.meanDelta
                                          << ", contrast ratio " << l.ratio << ")";
        }
    }
    EXPECT_GT(measured, 60);
}

// The mean colour of a sprite's silhouette (its blocks at least half opaque, as above).
Rgb SilhouetteColour(const arttest::Picture& pic, const Rect& cell, const Rgb& tint)
{
    const int step = 4;
    double r = 0, g = 0, b = 0;
    int n = 0;
    for (int y = cell.y1; y + step <= cell.y2; y += step)
        for (int x = cell.x1; x + step <= cell.x2; x += step)
        {
            Rgb c;
            if (BlockMean(pic, x, y, x + step, y + step, &c) < 0.5)
                continue;
            r += c.r * tint.r;
            g += c.g * tint.g;
            b += c.b * tint.b;
            ++n;
        }
    return n ? Rgb{r / n, g / n, b / n} : Rgb{};
}

TEST_F(ArtTest, ThreatsLookUnlikeTheFoodBesideThem)
{
    // In every world, each thing that eats or hurts the goo differs at a glance from each thing
    // the goo eats there, so that a player never steers into a predator taken for a meal.
    std::map<std::string, std::set<std::string>> worlds;
    for (const LevelCast& l : Levels())
        worlds[l.ground].insert(l.kinds.begin(), l.kinds.end());
    int pairs = 0;
    for (const auto& w : worlds)
        for (const std::string& threat : w.second)
        {
            if (!kinds.count(threat) || !kinds[threat].threat)
                continue;
            const KindPicture& t = kinds[threat];
            const arttest::Picture* tp = pictures.get(t.cell.file);
            ASSERT_NE(tp, nullptr) << t.cell.file;
            const Lab tl = ToLab(SilhouetteColour(*tp, t.cell.rect, t.tint));
            for (const std::string& food : w.second)
            {
                if (food == "greygoo" || !kinds.count(food) || kinds[food].threat)
                    continue;
                const KindPicture& f = kinds[food];
                const arttest::Picture* fp = pictures.get(f.cell.file);
                ASSERT_NE(fp, nullptr) << f.cell.file;
                const double d = DeltaE(tl, ToLab(SilhouetteColour(*fp, f.cell.rect, f.tint)));
                ++pairs;
                EXPECT_GE(d, kStandOut) << "on " << w.first << " the " << threat << " looks like the " << food
                                        << " (dE " << d << ")";
            }
        }
    EXPECT_GT(pairs, 20);
}

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// True when the text names the thing, in the singular or a plural ("bus" in "buses",
// "galaxy" in "galaxies"), or names it by the last word of its name ("goo" for "Grey goo").
bool Names(const std::string& text, const std::string& name)
{
    const std::string t = Lower(text);
    std::vector<std::string> forms;
    for (std::string n :
         {Lower(name), Lower(name.substr(name.rfind(' ') == std::string::npos ? 0 : name.rfind(' ') + 1))})
    {
        forms.push_back(n);
        if (!n.empty() && n.back() == 'y')
            forms.push_back(n.substr(0, n.size() - 1) + "ies");
    }
    for (const std::string& f : forms)
    {
        size_t at = t.find(f);
        while (at != std::string::npos)
        {
            const bool startsWord = at == 0 || !std::isalpha(static_cast<unsigned char>(t[at - 1]));
            if (startsWord)
                return true;
            at = t.find(f, at + 1);
        }
    }
    return false;
}

TEST_F(ArtTest, TipPicturesShowWhatTheirTextNames)
{
    TStringTable strings;
    std::string text;
    ASSERT_TRUE(contenttest::ReadFile(contenttest::SourceAssets() + "strings.xml", &text));
    ASSERT_TRUE(strings.MergeStringTableText(text.data(), text.size()));
    auto say = [&](const std::string& key) { return S(strings.GetString(str(key.c_str()))); };
    int tips = 0;
    for (const LevelCast& l : Levels())
    {
        Doc d = LoadXml(contenttest::SourceAssets() + "levels/" + l.file);
        for (TXmlNode* tip : Children(d.root, "tip"))
        {
            ++tips;
            const std::string words = say(Attr(tip, "title")) + " " + say(Attr(tip, "text"));
            const CellRef shown = Cell(maps, Attr(tip, "image"), 0);
            ASSERT_FALSE(shown.file.empty()) << l.file << ": tip picture " << Attr(tip, "image");
            // What the tip names; when it names a danger, the danger is what it is about.
            std::set<std::string> named, namedThreats;
            for (const auto& k : kinds)
                if (Names(words, say(k.first)))
                {
                    named.insert(k.first);
                    if (k.second.threat)
                        namedThreats.insert(k.first);
                }
            const std::set<std::string>& wanted = namedThreats.empty() ? named : namedThreats;
            std::string showing;
            bool ok = false;
            for (const auto& k : kinds)
                if (k.second.cell == shown)
                {
                    showing = k.first;
                    ok = ok || wanted.count(k.first) > 0;
                }
            std::string want;
            for (const std::string& n : wanted)
                want += (want.empty() ? "" : " or ") + n;
            EXPECT_TRUE(ok) << l.file << ": the tip \"" << words << "\" shows "
                            << (showing.empty() ? std::string("no kind of thing") : showing) << ", not "
                            << (want.empty() ? std::string("anything it names") : want);
        }
    }
    EXPECT_GE(tips, 12);
}

TEST_F(ArtTest, EachLevelDrawsItsThingsFromOneSheet)
{
    // A level loads the picture files its kinds and its tip are cut from and releases the
    // others (GameWindow::loadLevelImages), so every kind lives in the sheet of the world whose
    // levels place it and a tip is cut from that sheet too: one small sheet a level (besides
    // the pictures that stay loaded throughout), not the pictures of every kind in the game.
    std::set<std::string> always;
    std::map<std::string, std::string> animationMap;  // animation -> image map
    {
        Doc m = LoadXml(contenttest::SourceAssets() + "graphics/imagemaps.xml");
        ASSERT_NE(m.root, nullptr);
        for (TXmlNode* d : Children(m.root, "imagemap"))
            if (Attr(d, "alwaysneeded") == "true")
                always.insert(Attr(d, "filename"));
        Doc a = LoadXml(contenttest::SourceAssets() + "graphics/animationdefs.xml");
        ASSERT_NE(a.root, nullptr);
        for (TXmlNode* d : Children(a.root, "animationdef"))
            animationMap[Attr(d, "name")] = Attr(d, "imagemap");
    }
    // kind -> the picture files it draws from (its own cell and every animation it plays)
    std::map<std::string, std::set<std::string>> files;
    Doc e = LoadXml(contenttest::SourceAssets() + "graphics/entitydefs.xml");
    ASSERT_NE(e.root, nullptr);
    for (TXmlNode* d : Children(e.root, "entitydef"))
    {
        std::set<std::string>& f = files[Attr(d, "name")];
        std::vector<std::string> used = {Attr(d, "imagemap")};
        for (const char* anim : {"animationdef", "moveslowanimation", "movefastanimation", "attackanimation"})
            if (!Attr(d, anim).empty())
            {
                ASSERT_TRUE(animationMap.count(Attr(d, anim))) << Attr(d, "name") << ": " << Attr(d, anim);
                used.push_back(animationMap[Attr(d, anim)]);
            }
        for (const std::string& map : used)
            if (!map.empty())
            {
                ASSERT_TRUE(maps.count(map)) << Attr(d, "name") << ": image map " << map;
                f.insert(maps[map].file);
            }
    }
    int levels = 0;
    for (const LevelCast& l : ReadLevels())
    {
        ++levels;
        std::set<std::string> loaded;
        for (const std::string& k : l.kinds)
        {
            ASSERT_TRUE(files.count(k)) << l.file << ": kind " << k;
            loaded.insert(files[k].begin(), files[k].end());
        }
        Doc d = LoadXml(contenttest::SourceAssets() + "levels/" + l.file);
        for (TXmlNode* tip : Children(d.root, "tip"))
        {
            ASSERT_TRUE(maps.count(Attr(tip, "image"))) << l.file << ": tip picture " << Attr(tip, "image");
            loaded.insert(maps[Attr(tip, "image")].file);
        }
        std::string names;
        for (const std::string& f : always)
            loaded.erase(f);
        // The goo's own pictures come with every level, whichever world it is in.
        for (const std::string& f : files["greygoo"])
            loaded.erase(f);
        for (const std::string& f : loaded)
            names += " " + f;
        EXPECT_EQ(loaded.size(), 1u) << l.file << " loads" << names;
        // A sheet holds one world's kinds: at most 512 x 512 pixels, 1 MiB as a texture.
        for (const std::string& f : loaded)
        {
            const Picture* pic = pictures.get(f);
            ASSERT_NE(pic, nullptr) << f << ".png";
            EXPECT_LE(pic->width * pic->height, 512 * 512) << l.file << " loads " << f << ".png";
        }
    }
    EXPECT_GE(levels, 60);
}

}  // namespace
