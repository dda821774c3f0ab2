// Reading the game's pictures as the content tests need them: the authored XML (image maps,
// entity kinds, tiles, animations, levels) and the PNG files the build draws, with each image
// map cut into its cells the way the game cuts it. Shared by the picture checks.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "contentfiles.h"
#include "foundation/xml.h"

namespace arttest
{

inline std::string S(const str& s)
{
    return std::string(s.c_str(), s.length());
}

// A parsed XML file; root is its first element (null when the file is missing or empty).
struct Doc
{
    std::unique_ptr<TXmlNode> doc{new TXmlNode()};
    TXmlNode* root = nullptr;
};

inline Doc LoadXml(const std::string& path)
{
    Doc d;
    std::string text;
    if (!contenttest::ReadFile(path, &text))
        return d;
    d.doc->ParseString(text.data(), text.size());
    for (size_t i = 0; i < d.doc->GetChildCount(); ++i)
    {
        TXmlNode* c = d.doc->GetChildAt(i);
        const std::string name = S(c->GetName());
        if (!name.empty() && name[0] != '?' && name[0] != '!')
        {
            d.root = c;
            break;
        }
    }
    return d;
}

inline std::vector<TXmlNode*> Children(const TXmlNode* n, const char* name = nullptr)
{
    std::vector<TXmlNode*> out;
    for (size_t i = 0; i < n->GetChildCount(); ++i)
        if (!name || S(n->GetChildAt(i)->GetName()) == name)
            out.push_back(n->GetChildAt(i));
    return out;
}

inline std::string Attr(const TXmlNode* n, const char* name)
{
    return S(n->GetAttribute(name));
}

inline int IntAttr(const TXmlNode* n, const char* name, int fallback)
{
    const std::string v = Attr(n, name);
    return v.empty() ? fallback : std::atoi(v.c_str());
}

inline double NumAttr(const TXmlNode* n, const char* name, double fallback)
{
    const std::string v = Attr(n, name);
    return v.empty() ? fallback : std::strtod(v.c_str(), nullptr);
}

struct Rect
{
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator<(const Rect& o) const
    {
        return std::tie(x1, y1, x2, y2) < std::tie(o.x1, o.y1, o.x2, o.y2);
    }
    bool operator==(const Rect& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
};

// One image map as the game cuts it: the picture file and its cells in order. `padded` is set
// when the cells come from a padded grid (each cell inside a one-pixel border of its own).
struct ImageMap
{
    std::string file;
    int width = -1, height = -1;
    bool padded = false;
    std::vector<Rect> cells;
};

inline std::map<std::string, ImageMap> ReadImageMaps()
{
    std::map<std::string, ImageMap> maps;
    Doc d = LoadXml(contenttest::SourceAssets() + "graphics/imagemaps.xml");
    if (!d.root)
        return maps;
    for (TXmlNode* m : Children(d.root, "imagemap"))
    {
        ImageMap map;
        map.file = Attr(m, "filename");
        map.width = IntAttr(m, "width", -1);
        map.height = IntAttr(m, "height", -1);
        for (TXmlNode* c : Children(m))
        {
            const std::string kind = S(c->GetName());
            if (kind == "cell")
                map.cells.push_back(
                    {IntAttr(c, "x1", 0), IntAttr(c, "y1", 0), IntAttr(c, "x2", 0), IntAttr(c, "y2", 0)});
            else if (kind == "fullimagecell")
                map.cells.push_back({0, 0, map.width, map.height});
            else if (kind == "cellgrid" || kind == "cellgridpadded")
            {
                const bool padded = kind == "cellgridpadded";
                const int w = IntAttr(c, "width", 0), h = IntAttr(c, "height", 0);
                if (w <= 0 || h <= 0)
                    continue;
                const int pw = padded ? w + 2 : w, ph = padded ? h + 2 : h;
                const int cols = map.width / pw, rows = map.height / ph;
                int number = IntAttr(c, "number", -1);
                if (number < 0)
                    number = cols * rows;
                for (int i = 0; i < cols * rows && i < number; ++i)
                {
                    const int x = (i % cols) * pw + (padded ? 1 : 0), y = (i / cols) * ph + (padded ? 1 : 0);
                    map.cells.push_back({x, y, x + w, y + h});
                }
                map.padded = map.padded || padded;
            }
        }
        maps[Attr(m, "name")] = map;
    }
    return maps;
}

// An RGBA picture, 8 bits a channel, rows top to bottom.
struct Picture
{
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
};

inline bool LoadPng(const std::string& path, Picture* out)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGBA;
    out->width = static_cast<int>(image.width);
    out->height = static_cast<int>(image.height);
    out->rgba.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, out->rgba.data(), 0, nullptr))
    {
        png_image_free(&image);
        return false;
    }
    return true;
}

// The built pictures by file name (without extension), each read once.
class Pictures
{
public:
    const Picture* get(const std::string& file)
    {
        auto it = cache.find(file);
        if (it == cache.end())
        {
            std::unique_ptr<Picture> p(new Picture());
            if (!LoadPng(contenttest::BuiltAssets() + "graphics/" + file + ".png", p.get()))
                p.reset();
            it = cache.emplace(file, std::move(p)).first;
        }
        return it->second.get();
    }

private:
    std::map<std::string, std::unique_ptr<Picture>> cache;
};

// A place in a picture: the file and the cell's rectangle (empty file: none).
struct CellRef
{
    std::string file;
    Rect rect;
    bool operator<(const CellRef& o) const { return std::tie(file, rect) < std::tie(o.file, o.rect); }
    bool operator==(const CellRef& o) const { return file == o.file && rect == o.rect; }
};

inline CellRef Cell(const std::map<std::string, ImageMap>& maps, const std::string& map, int cell)
{
    auto it = maps.find(map);
    if (it == maps.end() || cell < 0 || cell >= static_cast<int>(it->second.cells.size()))
        return {};
    return {it->second.file, it->second.cells[static_cast<size_t>(cell)]};
}

// The first frame of each animation: its map and cell.
inline std::map<std::string, std::pair<std::string, int>> ReadFirstFrames()
{
    std::map<std::string, std::pair<std::string, int>> out;
    Doc d = LoadXml(contenttest::SourceAssets() + "graphics/animationdefs.xml");
    if (!d.root)
        return out;
    for (TXmlNode* a : Children(d.root, "animationdef"))
    {
        const std::vector<TXmlNode*> frames = Children(a, "frame");
        if (frames.empty())
            continue;
        std::string map = Attr(frames[0], "imagemap");
        if (map.empty())
            map = Attr(a, "imagemap");
        out[Attr(a, "name")] = {map, IntAttr(frames[0], "cell", 0)};
    }
    return out;
}

}  // namespace arttest
