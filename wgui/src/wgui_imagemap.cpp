// Image maps: named pictures cut into cells, loaded while needed, and their registry.
#include "wgui_imagemap.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/rect.h"
#include "foundation/singletons.h"
#include "foundation/vec.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/vertexset.h"
#include "wgui_g2support.h"
#include "wgui_helpers.h"
#include "wgui_xmldocument.h"

namespace WGUI
{

namespace
{
// A grid may not cut more cells than this: the declared size comes from a data file, and a
// one-pixel grid over a huge declared picture would otherwise allocate without bound.
const int64_t kMaxGridCells = 65536;
const double kRadDeg = 57.29577951307855;
}  // namespace

ImageMap::ImageMap(str filename) : fileName(filename)
{
}

ImageMap::~ImageMap() = default;

void ImageMap::setDim(int w, int h)
{
    width = w;
    height = h;
}

void ImageMap::addCell(int x1, int y1, int x2, int y2)
{
    // Sizes must fit an int: every user of a cell subtracts its corners.
    const int64_t w = int64_t(x2) - x1, h = int64_t(y2) - y1;
    if (w > INT32_MAX || w < INT32_MIN || h > INT32_MAX || h < INT32_MIN)
    {
        WriteDbg("imagemap %s: cell %d,%d - %d,%d is too large and is left out\n", fileName.c_str(), x1, y1,
                 x2, y2);
        return;
    }
    cells.push_back(Cell(x1, y1, x2, y2));
}

void ImageMap::addFullImageCell()
{
    addCell(0, 0, width, height);
}

void ImageMap::cellGrid(int w, int h, int number)
{
    cutGrid(w, h, 0, number);
}

void ImageMap::cellGridPadded(int w, int h, int number)
{
    cutGrid(w, h, 1, number);
}

// Cells of w x h inside a one-pixel border on every side (border 1) or none (border 0), row by
// row, left to right, over the declared size; number < 0 takes them all. A grid whose cells
// would have no pixels adds nothing.
void ImageMap::cutGrid(int w, int h, int border, int number)
{
    if (w <= 0 || h <= 0 || number == 0)
        return;
    const int64_t pw = int64_t(w) + 2 * border, ph = int64_t(h) + 2 * border;
    const int64_t columns = width > 0 ? width / pw : 0;
    const int64_t rows = height > 0 ? height / ph : 0;
    int64_t total = columns * rows;
    if (number > 0 && number < total)
        total = number;
    if (total > kMaxGridCells)
    {
        WriteDbg("imagemap %s: a grid of %lld cells is cut to %lld\n", fileName.c_str(),
                 static_cast<long long>(total), static_cast<long long>(kMaxGridCells));
        total = kMaxGridCells;
    }
    for (int64_t i = 0; i < total; ++i)
    {
        const int64_t c = i % columns, r = i / columns;
        addCell(static_cast<int>(c * pw + border), static_cast<int>(r * ph + border),
                static_cast<int>((c + 1) * pw - border), static_cast<int>((r + 1) * ph - border));
    }
}

const Cell* ImageMap::getCellAt(int index) const
{
    if (index < 0 || index >= static_cast<int>(cells.size()))
        return nullptr;
    return &cells[static_cast<size_t>(index)];
}

int ImageMap::getCellWidth() const
{
    const Cell* c = getCellAt(currentCell);
    return c ? c->getWidth() : 0;
}

int ImageMap::getCellHeight() const
{
    const Cell* c = getCellAt(currentCell);
    return c ? c->getHeight() : 0;
}

void ImageMap::setBlitColour(float r, float g, float b, float alpha)
{
    colR = r;
    colG = g;
    colB = b;
    colA = 1.0f;
    blitAlpha = alpha;
}

void ImageMap::setClip(bool on, int x1, int y1, int x2, int y2)
{
    clipOn = on;
    clipX1 = x1;
    clipY1 = y1;
    clipX2 = x2;
    clipY2 = y2;
}

void ImageMap::setNeeded(int n)
{
    if (n <= 0)
        needCount = n;
    else if (n > needCount)
        needCount = n;
}

bool ImageMap::isImageLoaded() const
{
    return !textures.empty() && textures[0] != nullptr;
}

std::shared_ptr<TTexture> ImageMap::getTexture(int level) const
{
    if (level < 0 || level >= static_cast<int>(textures.size()))
        return nullptr;
    return textures[static_cast<size_t>(level)];
}

void ImageMap::loadNeeded()
{
    if (alwaysNeeded && !isImageLoaded())
        needCount = 10000;
    if (needCount > 0 && !isImageLoaded())
    {
        loadPicture();
        createMipMaps();
        currentCell = -1;
        setClip(false, 0, 0, 0, 0);
    }
}

void ImageMap::unloadUneeded()
{
    if (!alwaysNeeded && needCount <= 0)
        textures.clear();
}

void ImageMap::hold()
{
    setNeeded(10000);
    loadNeeded();
}

void ImageMap::release()
{
    setNeeded(0);
    unloadUneeded();
}

void ImageMap::refreshMipMaps()
{
    if (isImageLoaded())
        createMipMaps();
}

void ImageMap::loadPicture()
{
    textures.clear();
    str p = graphicsFolder() + fileName;
    std::shared_ptr<TTexture> level0;
    str jpg = p + ".jpg";
    str png = p + ".png";
    if (fileExistsName(jpg))
    {
        static const char* kMasks[] = {"mask.png", "mask.bmp", "mask.jpg"};
        str mask;
        for (const char* m : kMasks)
        {
            str candidate = p + m;
            if (fileExistsName(candidate))
            {
                mask = candidate;
                break;
            }
        }
        level0 = mask.empty() ? TTexture::Get(jpg) : TTexture::GetMerged(jpg, mask);
    }
    else if (fileExistsName(png))
    {
        level0 = TTexture::Get(png);
    }
    if (level0)
        textures.push_back(level0);
}

// Level k is level k - 1 halved, each channel the rounded mean of the four source pixels. It
// stops at the first level that would have no pixels or whose surface cannot be made or locked;
// the map then has the levels built so far.
void ImageMap::createMipMaps()
{
    if (!isImageLoaded())
        return;
    int levels = autoMipMapLevels > 0 ? autoMipMapLevels : 0;
    size_t built = 1;
    for (int k = 1; k <= levels; ++k)
    {
        std::shared_ptr<TTexture> src = textures[static_cast<size_t>(k - 1)];
        unsigned w = src->GetWidth() / 2, h = src->GetHeight() / 2;
        if (w == 0 || h == 0)
            break;
        std::shared_ptr<TTexture> dst;
        if (static_cast<size_t>(k) < textures.size() && textures[static_cast<size_t>(k)] &&
            textures[static_cast<size_t>(k)]->GetWidth() == w &&
            textures[static_cast<size_t>(k)]->GetHeight() == h)
            dst = textures[static_cast<size_t>(k)];
        else
            dst = TTexture::Create(w, h, true);
        if (!dst)
            break;
        TColor32* sp = nullptr;
        TColor32* dp = nullptr;
        unsigned spitch = 0, dpitch = 0;
        if (!src->Lock(&sp, &spitch))
            break;
        if (!dst->Lock(&dp, &dpitch))
        {
            src->Unlock();
            break;
        }
        for (unsigned y = 0; y < h; ++y)
        {
            const TColor32* r0 = sp + static_cast<size_t>(2 * y) * spitch;
            const TColor32* r1 = r0 + spitch;
            TColor32* out = dp + static_cast<size_t>(y) * dpitch;
            for (unsigned x = 0; x < w; ++x)
            {
                const TColor32 a = r0[2 * x], b = r0[2 * x + 1], c = r1[2 * x], d = r1[2 * x + 1];
                auto mean = [](unsigned p, unsigned q, unsigned r, unsigned s)
                { return static_cast<unsigned char>((p + q + r + s + 2) / 4); };
                out[x] = TColor32(mean(a.Red(), b.Red(), c.Red(), d.Red()),
                                  mean(a.Green(), b.Green(), c.Green(), d.Green()),
                                  mean(a.Blue(), b.Blue(), c.Blue(), d.Blue()),
                                  mean(a.Alpha(), b.Alpha(), c.Alpha(), d.Alpha()));
            }
        }
        dst->Unlock();
        src->Unlock();
        if (static_cast<size_t>(k) < textures.size())
            textures[static_cast<size_t>(k)] = dst;
        else
            textures.push_back(dst);
        built = static_cast<size_t>(k) + 1;
    }
    textures.resize(built);
}

bool ImageMap::getCoords(int x, int y, int& sx1, int& sy1, int& sx2, int& sy2, int& dx, int& dy) const
{
    const Cell* c = getCellAt(currentCell);
    if (!c)
        return false;
    sx1 = c->x1;
    sy1 = c->y1;
    sx2 = c->x2;
    sy2 = c->y2;
    // 64-bit so that cells and clips from data files cannot overflow the edge arithmetic.
    int64_t l = x, t = y, r = int64_t(x) + (sx2 - int64_t(sx1)), b = int64_t(y) + (sy2 - int64_t(sy1));
    int64_t s1 = sx1, s2 = sx2, u1 = sy1, u2 = sy2;
    if (clipOn)
    {
        if (l < clipX1)
        {
            s1 += clipX1 - l;
            l = clipX1;
        }
        if (t < clipY1)
        {
            u1 += clipY1 - t;
            t = clipY1;
        }
        if (r > clipX2)
        {
            s2 -= r - clipX2;
            r = clipX2;
        }
        if (b > clipY2)
        {
            u2 -= b - clipY2;
            b = clipY2;
        }
    }
    if (s1 >= s2 || u1 >= u2)
        return false;
    sx1 = static_cast<int>(s1);
    sx2 = static_cast<int>(s2);
    sy1 = static_cast<int>(u1);
    sy2 = static_cast<int>(u2);
    dx = static_cast<int>(l);
    dy = static_cast<int>(t);
    return true;
}

// The region turns and scales about its own centre: the corner handed to the sprite draw is
// the centre minus the half-size vector turned by the angle and scaled.
void ImageMap::tBlitAlphaRectFxF(const std::shared_ptr<TTexture>& texture, int sx1, int sy1, int sx2, int sy2,
                                 float x, float y, float angle, float scale, float alpha, bool flipx,
                                 bool flipy)
{
    if (!texture)
        return;
    const double hx = (sx2 - sx1) / 2, hy = (sy2 - sy1) / 2;
    // The half-size vector turned and scaled depends on these four alone; the last one worked
    // out is kept (compared bit for bit), since frames, tiles and sprites draw the same sizes
    // at the same angle again and again. The all-zero entry it starts with is a true one: no
    // size turns to no vector.
    struct Turned
    {
        double hx, hy;
        float angle, scale;
        double vx, vy;
    };
    thread_local Turned last{};
    const Turned key{hx, hy, angle, scale, 0, 0};
    double vx = 0, vy = 0;
    if (std::memcmp(&key, &last, offsetof(Turned, vx)) == 0)
    {
        vx = last.vx;
        vy = last.vy;
    }
    else
    {
        const double r = std::sqrt(hx * hx + hy * hy) * scale;
        if (hx != 0 || hy != 0)
        {
            const double theta = std::atan2(-hy, hx) * kRadDeg + angle;
            vx = std::cos(theta / kRadDeg) * r;
            vy = -std::sin(theta / kRadDeg) * r;
        }
        last = key;
        last.vx = vx;
        last.vy = vy;
    }
    const float cornerX = static_cast<float>(x + hx - vx);
    const float cornerY = static_cast<float>(y + hy - vy);
    const float rotation =
        std::fabs(angle) > 0.001f ? static_cast<float>(2.0 * M_PI - angle / kRadDeg) : 0.0f;

    setManagerBlendMode(blendMode);

    unsigned flags = TDrawSpec::kUseSourceRect | TDrawSpec::kUsePivot;
    if (flipx)
        flags |= TDrawSpec::kMirrorH;
    if (flipy)
        flags |= TDrawSpec::kMirrorV;
    TDrawSpec spec(TVec2(cornerX, cornerY), alpha * blitAlpha, scale, flags);
    if (rotation != 0.0f)
        spec.matrix.Rotate(rotation);
    spec.pivot = TVec2(0, 0);
    spec.color = TColor(colR, colG, colB, colA);
    spec.sourceRect = TRect(sx1, sy1, sx2, sy2);
    texture->DrawSprite(spec);
}

void ImageMap::blitAlphaRect(int x, int y, bool flipx, bool flipy)
{
    int sx1, sy1, sx2, sy2, dx, dy;
    if (!getCoords(x, y, sx1, sy1, sx2, sy2, dx, dy))
        return;
    tBlitAlphaRectFxF(getTexture(0), sx1, sy1, sx2, sy2, static_cast<float>(dx), static_cast<float>(dy), 0.0f,
                      1.0f, 1.0f, flipx, flipy);
}

void ImageMap::blitAlphaRectFx(int x, int y, float angle, float scale, float alpha, bool flipx, bool flipy)
{
    int sx1, sy1, sx2, sy2, dx, dy;
    if (!getCoords(x, y, sx1, sy1, sx2, sy2, dx, dy))
        return;
    tBlitAlphaRectFxF(getTexture(0), sx1, sy1, sx2, sy2, static_cast<float>(dx), static_cast<float>(dy),
                      angle, scale, alpha, flipx, flipy);
}

int ImageMap::chooseMipLevel(float scale, int& factor) const
{
    const int levels = static_cast<int>(textures.size());
    factor = 1;
    if (levels == 0)
        return -1;
    int k = 0;
    double f = 1.0;
    while (0.5 / f > scale && k < levels - 1)
    {
        f *= 2.0;
        ++k;
    }
    int use = -1;
    if (textures[static_cast<size_t>(k)])
        use = k;
    for (int i = k - 1; use < 0 && i >= 0; --i)
        if (textures[static_cast<size_t>(i)])
            use = i;
    for (int i = k + 1; use < 0 && i < levels; ++i)
        if (textures[static_cast<size_t>(i)])
            use = i;
    if (use >= 0)
        factor = 1 << use;
    return use;
}

void ImageMap::mipBlit(float x, float y, float angle, float scale, float alpha, bool flipx, bool flipy)
{
    if (!isImageLoaded())
        return;
    const int ix = roundToInt(x), iy = roundToInt(y);
    int sx1, sy1, sx2, sy2, dx, dy;
    if (!getCoords(ix, iy, sx1, sy1, sx2, sy2, dx, dy))
        return;
    int f = 1;
    const int level = chooseMipLevel(scale, f);
    if (level < 0)
        return;
    // Keep the fractional part of a float position.
    const float fx = x + static_cast<float>(dx - ix);
    const float fy = y + static_cast<float>(dy - iy);
    const int mx1 = sx1 / f, my1 = sy1 / f, mx2 = sx2 / f, my2 = sy2 / f;
    if (mx1 >= mx2 || my1 >= my2)
        return;
    // Centred where the full-size region's centre was.
    const float px = fx + static_cast<float>((sx2 - sx1) / 2 - (mx2 - mx1) / 2);
    const float py = fy + static_cast<float>((sy2 - sy1) / 2 - (my2 - my1) / 2);
    tBlitAlphaRectFxF(getTexture(level), mx1, my1, mx2, my2, px, py, angle, scale * f, alpha, flipx, flipy);
}

void ImageMap::blitAlphaRectFxMip(int x, int y, float angle, float scale, float alpha, bool flipx, bool flipy)
{
    mipBlit(static_cast<float>(x), static_cast<float>(y), angle, scale, alpha, flipx, flipy);
}

void ImageMap::blitAlphaRectFxFMip(float x, float y, float angle, float scale, float alpha, bool flipx,
                                   bool flipy)
{
    mipBlit(x, y, angle, scale, alpha, flipx, flipy);
}

void ImageMap::stretchBlit(int x1, int y1, int x2, int y2, float alpha)
{
    const Cell* c = getCellAt(currentCell);
    std::shared_ptr<TTexture> texture = getTexture(0);
    if (!c || !texture || c->getWidth() <= 0 || c->getHeight() <= 0 || x2 <= x1 || y2 <= y1)
        return;
    // Clip in destination space and carry the cut over to the source in proportion.
    const double fx = double(c->getWidth()) / (double(x2) - x1);
    const double fy = double(c->getHeight()) / (double(y2) - y1);
    double l = x1, t = y1, r = x2, b = y2;
    double s1 = c->x1, s2 = c->x2, u1 = c->y1, u2 = c->y2;
    if (clipOn)
    {
        if (l < clipX1)
        {
            s1 += (clipX1 - l) * fx;
            l = clipX1;
        }
        if (t < clipY1)
        {
            u1 += (clipY1 - t) * fy;
            t = clipY1;
        }
        if (r > clipX2)
        {
            s2 -= (r - clipX2) * fx;
            r = clipX2;
        }
        if (b > clipY2)
        {
            u2 -= (b - clipY2) * fy;
            b = clipY2;
        }
    }
    const int is1 = roundToInt(s1), is2 = roundToInt(s2), iu1 = roundToInt(u1), iu2 = roundToInt(u2);
    if (is1 >= is2 || iu1 >= iu2 || l >= r || t >= b)
        return;
    setManagerBlendMode(blendMode);
    TDrawSpec spec(TVec2(static_cast<float>(l), static_cast<float>(t)), alpha * blitAlpha, 1.0f,
                   TDrawSpec::kUseSourceRect | TDrawSpec::kUsePivot);
    spec.matrix[0] = TVec3(static_cast<float>((r - l) / (is2 - is1)), 0, 0);
    spec.matrix[1] = TVec3(0, static_cast<float>((b - t) / (iu2 - iu1)), 0);
    spec.pivot = TVec2(0, 0);
    spec.color = TColor(colR, colG, colB, colA);
    spec.sourceRect = TRect(is1, iu1, is2, iu2);
    texture->DrawSprite(spec);
}

void drawNineCells(ImageMap* map, const int cells[9], const int borders[4], int L, int T, int R, int B,
                   float alpha)
{
    if (!map)
        return;
    auto size = [&](int piece, int& w, int& h)
    {
        map->setCell(cells[piece]);
        w = map->getCellWidth();
        h = map->getCellHeight();
    };
    auto blit = [&](int piece, int x, int y)
    {
        map->setCell(cells[piece]);
        map->blitAlphaRectFx(x, y, 0.0f, 1.0f, alpha, false, false);
    };
    const int W = R - L, H = B - T;
    const int bl = borders[0], br = borders[1], bt = borders[2], bb = borders[3];
    int w[9], h[9];
    for (int i = 0; i < 9; ++i)
        size(i, w[i], h[i]);

    // Centre.
    if (w[8] > 0 && h[8] > 0)
    {
        map->setClip(true, L + bl, T + bt, R - br, B - bb);
        const int cols = (W - bl - br) / w[8], rows = (H - bt - bb) / h[8];
        for (int c = 0; c <= cols; ++c)
            for (int r = 0; r <= rows; ++r)
                blit(8, L + bl + c * w[8], T + bt + r * h[8]);
        map->setClip(false, 0, 0, 0, 0);
    }
    blit(0, L, T);
    blit(1, R - w[1], T);
    // Top edge.
    if (w[4] > 0)
    {
        map->setClip(true, L + w[0], T, R - w[1], B);
        const int n = ((R - w[1]) - (L + w[0])) / w[4];
        for (int k = 0; k <= n; ++k)
            blit(4, L + w[0] + k * w[4], T);
        map->setClip(false, 0, 0, 0, 0);
    }
    blit(2, R - w[2], B - h[2]);
    blit(3, L, B - h[3]);
    // Right edge.
    if (h[5] > 0)
    {
        map->setClip(true, L, T + h[1], R, B - h[2]);
        const int n = ((B - h[2]) - (T + h[1])) / h[5];
        for (int k = 0; k <= n; ++k)
            blit(5, R - w[5], T + h[1] + k * h[5]);
        map->setClip(false, 0, 0, 0, 0);
    }
    // Bottom edge.
    if (w[6] > 0)
    {
        map->setClip(true, L + w[3], T, R - w[2], B);
        const int n = ((R - w[2]) - (L + w[3])) / w[6];
        for (int k = 0; k <= n; ++k)
            blit(6, L + w[3] + k * w[6], B - h[6]);
        map->setClip(false, 0, 0, 0, 0);
    }
    // Left edge.
    if (h[7] > 0)
    {
        map->setClip(true, L, T + h[0], R, B - h[3]);
        const int n = ((B - h[3]) - (T + h[0])) / h[7];
        for (int k = 0; k <= n; ++k)
            blit(7, L, T + h[0] + k * h[7]);
        map->setClip(false, 0, 0, 0, 0);
    }
}

// ---------------------------------------------------------------------------------------------

ImageMaps* ImageMaps::sInstance = nullptr;

ImageMaps* ImageMaps::createInstance()
{
    if (!sInstance)
    {
        qfNoteLifetime("make", "ImageMaps");
        sInstance = new ImageMaps();
        sInstance->readFile(graphicsFolder() + "imagemaps.xml");
        sInstance->loadUnloadNeeded();
    }
    return sInstance;
}

ImageMaps* ImageMaps::instance()
{
    if (!sInstance)
        qfSingletonNotMade("ImageMaps");
    return createInstance();
}

void ImageMaps::deleteInstance()
{
    qfNoteLifetime("delete", "ImageMaps");
    delete sInstance;
    sInstance = nullptr;
}

ImageMaps::ImageMaps()
{
    if (TPlatform* platform = TPlatform::GetInstance())
    {
        platform->AdoptTextureRefreshListener(this);
        registered = true;
    }
}

ImageMaps::~ImageMaps()
{
    if (registered)
    {
        if (TPlatform* platform = TPlatform::GetInstance())
            platform->OrphanTextureRefreshListener(this);
    }
    for (auto& entry : maps)
        delete entry.second;
    maps.clear();
    if (sInstance == this)
        sInstance = nullptr;
}

ImageMap* ImageMaps::get(str name)
{
    ImageMaps* self = instance();
    auto it = self->maps.find(name);
    return it == self->maps.end() ? nullptr : it->second;
}

void ImageMaps::setAllNeeded(int n)
{
    for (auto& entry : maps)
        if (entry.second)
            entry.second->setNeeded(n);
}

void ImageMaps::loadUnloadNeeded()
{
    for (auto& entry : maps)
        if (entry.second)
            entry.second->unloadUneeded();
    for (auto& entry : maps)
        if (entry.second)
            entry.second->loadNeeded();
}

void ImageMaps::refreshMipMaps()
{
    for (auto& entry : maps)
        if (entry.second)
            entry.second->refreshMipMaps();
}

bool ImageMaps::DoTask()
{
    refreshMipMaps();
    return true;
}

void ImageMaps::addMap(const str& name, ImageMap* map)
{
    auto it = maps.find(name);
    if (it != maps.end())
    {
        // Nothing can hold the earlier map yet: declarations are read before anyone asks.
        delete it->second;
        it->second = map;
    }
    else
    {
        maps[name] = map;
    }
}

void ImageMaps::readFile(str path)
{
    XmlDocument doc(path, false);
    readDocument(doc);
}

void ImageMaps::readText(const char* text, size_t length)
{
    XmlDocument doc(false);
    if (doc.parseText(text, length))
        readDocument(doc);
}

void ImageMaps::readDocument(XmlDocument& doc)
{
    if (!doc.isLoadOkay())
        return;
    XmlElement root = doc.getRoot();
    if (!root.isValid())
        return;
    for (XmlElement el = root.iterateChildren("imagemap"); el.isValid();
         el = root.iterateChildren("imagemap"))
    {
        str name, file;
        if (el.queryStringAttribute("name", name) != 0 || el.queryStringAttribute("filename", file) != 0)
        {
            WriteDbg("imagemaps: an imagemap without a name or file name is skipped\n");
            continue;
        }
        ImageMap* map = new ImageMap(file);
        bool always = false;
        int w = -1, h = -1, mips = 0;
        el.queryBoolAttribute("alwaysneeded", always);
        el.queryIntAttribute("width", w);
        el.queryIntAttribute("height", h);
        el.queryIntAttribute("automipmaplevels", mips);
        map->setAlwaysNeeded(always);
        map->setDim(w, h);
        if (mips < 0)
        {
            WriteDbg("imagemaps: %s: negative automipmaplevels taken as 0\n", name.c_str());
            mips = 0;
        }
        map->setAutoMipMapLevels(mips);
        el.resetIterateChildren();
        for (XmlElement c = el.iterateChildren(); c.isValid(); c = el.iterateChildren())
        {
            str kind = c.getName();
            if (kind == "cellgrid" || kind == "cellgridpadded")
            {
                int cw = 0, ch = 0, number = -1;
                if (c.queryIntAttribute("width", cw) != 0 || c.queryIntAttribute("height", ch) != 0)
                {
                    WriteDbg("imagemaps: %s: %s without width or height\n", name.c_str(), kind.c_str());
                    continue;
                }
                c.queryIntAttribute("number", number);
                const int before = map->getNumCells();
                if (kind == "cellgrid")
                    map->cellGrid(cw, ch, number);
                else
                    map->cellGridPadded(cw, ch, number);
                if (map->getNumCells() == before && number != 0)
                    WriteDbg("imagemaps: %s: %s %d x %d cuts no cells\n", name.c_str(), kind.c_str(), cw, ch);
            }
            else if (kind == "cell")
            {
                int x1, y1, x2, y2;
                if (c.queryIntAttribute("x1", x1) != 0 || c.queryIntAttribute("y1", y1) != 0 ||
                    c.queryIntAttribute("x2", x2) != 0 || c.queryIntAttribute("y2", y2) != 0)
                {
                    WriteDbg("imagemaps: %s: cell without all four corners\n", name.c_str());
                    continue;
                }
                map->addCell(x1, y1, x2, y2);
            }
            else if (kind == "fullimagecell")
            {
                map->addFullImageCell();
            }
        }
        addMap(name, map);
    }
}

}  // namespace WGUI
