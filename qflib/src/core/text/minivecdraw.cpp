// TQfMiniVecDraw: the vector-shape rasteriser.
#include "text/minivecdraw.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/singletons.h"
#include "render/renderer.h"
#include "render/texture.h"

namespace
{

// Bumped whenever shape programs are freed; each rasteriser drops its cache on a mismatch.
unsigned gShapeGeneration = 1;
void (*gInvalidateScreen)() = nullptr;
std::unique_ptr<TQfMiniVecDraw>& Instance()
{
    static std::unique_ptr<TQfMiniVecDraw> instance;
    return instance;
}

// Quarter rows beyond this distance from the shape's origin are dropped, as columns beyond the
// coverage rows are clamped: a shape reaches at most 1600 pixels up or down. Huge coordinates,
// scales or outline widths therefore cost a bounded scan.
const int kRowLimit = 4 * 1600;
// Above this many cached spans (8 bytes each) the whole cache is dropped; output is unchanged.
const size_t kMaxCachedSpans = size_t(1) << 21;
const size_t kMaxCachedShapes = size_t(1) << 17;
const int kFirstColumnQ = 4 * 1600;  // quarter-pixel bias of column 0

int ReadI16(const unsigned char* p)
{
    return static_cast<int16_t>(uint16_t(p[0] | p[1] << 8));
}

// Rounds to whole quarter pixels, halves away from zero, within a safe integer range.
int RoundQ(float x)
{
    if (!(x > -1.0e6f))
        return -1000000;
    if (x > 1.0e6f)
        return 1000000;
    return static_cast<int>(std::lround(x));
}

int FloorDiv4(int v)
{
    return v >> 2;
}  // arithmetic shift: floor for negatives too

}  // namespace

bool TQfMiniVecDraw::TKey::operator==(const TKey& o) const
{
    return shape == o.shape && phaseX == o.phaseX && phaseY == o.phaseY && italic == o.italic &&
           scaleX == o.scaleX && scaleY == o.scaleY && outline0 == o.outline0 && outline1 == o.outline1 &&
           cosine == o.cosine && sine == o.sine;
}

TQfMiniVecDraw::TQfMiniVecDraw()
{
    memset(mCoverage, 0, sizeof mCoverage);
    for (int p = 0; p < 4; ++p)
    {
        mTouchedMin[p] = kColumns;
        mTouchedMax[p] = -1;
    }
    std::fill(std::begin(mBuckets), std::end(mBuckets), -1);
    mGeneration = gShapeGeneration;
    SetColor(255, TColor(0, 0, 0, 1), 1.0f);
    SetColor(254, TColor(0, 0, 0, 1), 1.0f);
    SetColor(2, TColor(1, 1, 1, 1), 1.0f);
    SetColor(1, TColor(1, 1, 1, 1), 1.0f);
}

TQfMiniVecDraw::~TQfMiniVecDraw()
{
    if (mTarget)
        mTarget->Unlock();
}

TQfMiniVecDraw* TQfMiniVecDraw::GetInstance()
{
    if (!Instance())
        qfSingletonNotMade("TQfMiniVecDraw");
    CreateInstance();
    return Instance().get();
}

void TQfMiniVecDraw::CreateInstance()
{
    if (!Instance())
    {
        Instance().reset(new TQfMiniVecDraw());
        Instance()->Calibrate();
    }
}

void TQfMiniVecDraw::DeleteInstance()
{
    Instance().reset();
}

void TQfMiniVecDraw::SetInvalidateScreenHook(void (*hook)())
{
    gInvalidateScreen = hook;
}

void TQfMiniVecDraw::ForgetShapes()
{
    ++gShapeGeneration;
}

unsigned TQfMiniVecDraw::ShapeGeneration()
{
    return gShapeGeneration;
}

void TQfMiniVecDraw::SendCaptured(const TScreenCapture& capture)
{
    if (!TRenderer::HasInstance())
        return;
    TRenderer* renderer = TRenderer::GetInstance();
    if (capture.screenRun)
        renderer->SetTexture(nullptr);
    size_t first = 0;
    unsigned long long id = capture.firstId;
    for (unsigned count : capture.calls)
    {
        // A batch holds at most kBatch spans, as the flush that sent it did.
        SendLines(capture.spans.data() + first, int(count), capture.offset, id);
        if (id != 0)
            ++id;
        first += count;
    }
}

void TQfMiniVecDraw::SaveStyle(const TScreenCapture& capture, TStyle* out) const
{
    out->scaleX = mScaleX;
    out->scaleY = mScaleY;
    out->cosine = mCos;
    out->sine = mSin;
    out->outline[0] = mOutlineWidth[0];
    out->outline[1] = mOutlineWidth[1];
    out->italic = mItalic;
    out->replace = mReplace;
    out->accumulate = mAccumulate;
    out->originX = mOriginX;
    out->originY = mOriginY;
    out->fracX = mFracX;
    out->fracY = mFracY;
    out->slots.clear();
    std::fill(std::begin(out->planeSet), std::end(out->planeSet), false);
    for (uint8_t slot : capture.slotsSet)
    {
        out->slots.emplace_back(slot, mSlots[slot]);
        const int plane = PlaneOf(slot);
        if (!out->planeSet[plane])
        {
            out->planeSet[plane] = true;
            std::memcpy(out->ramp[plane], mRamp[plane], sizeof mRamp[plane]);
        }
    }
}

void TQfMiniVecDraw::RestoreStyle(const TStyle& style)
{
    mScaleX = style.scaleX;
    mScaleY = style.scaleY;
    mCos = style.cosine;
    mSin = style.sine;
    mOutlineWidth[0] = style.outline[0];
    mOutlineWidth[1] = style.outline[1];
    mItalic = style.italic;
    mReplace = style.replace;
    mAccumulate = style.accumulate;
    mOriginX = style.originX;
    mOriginY = style.originY;
    mFracX = style.fracX;
    mFracY = style.fracY;
    for (const auto& slot : style.slots)
        mSlots[slot.first] = slot.second;
    for (int plane = 0; plane < 4; ++plane)
        if (style.planeSet[plane])
            std::memcpy(mRamp[plane], style.ramp[plane], sizeof mRamp[plane]);
}

void TQfMiniVecDraw::Calibrate()
{
    mOffset = 0.5f;
}

int TQfMiniVecDraw::PlaneOf(int slot)
{
    if (slot == 255)
        return 0;
    if (slot == 254)
        return 1;
    if (slot == 1)
        return 3;
    return 2;
}

void TQfMiniVecDraw::RebuildRamp(int plane, TColor32 colour)
{
    const unsigned a = colour.Alpha();
    for (int i = 0; i < 32; ++i)
    {
        TColor32 c = colour;
        c.SetAlpha(static_cast<unsigned char>(i < 16 ? (16u * (i + 1) * a) >> 8 : (255u * a) >> 8));
        mRamp[plane][i] = c;
    }
}

void TQfMiniVecDraw::SetColor(int slot, const TColor& colour, float alpha)
{
    slot &= 255;
    if (mCapture &&
        std::find(mCapture->slotsSet.begin(), mCapture->slotsSet.end(), uint8_t(slot)) == mCapture->slotsSet.end())
        mCapture->slotsSet.push_back(uint8_t(slot));
    const TColor32 c(TColor(colour.r, colour.g, colour.b, colour.a * alpha));
    mSlots[slot] = c;
    RebuildRamp(PlaneOf(slot), c);
}

void TQfMiniVecDraw::ClearCache()
{
    mEntries.clear();
    mSpanStore.clear();
    std::fill(std::begin(mBuckets), std::end(mBuckets), -1);
    mGeneration = gShapeGeneration;
}

// ---------------------------------------------------------------------------------------------
// Runs of draws.

bool TQfMiniVecDraw::Start(float x, float y, std::shared_ptr<TTexture> target)
{
    // A different target, or a caller's buffer, ends the current one.
    if (target != mTarget || (!mTarget && (mPixels || mDiscard)))
        Stop();
    x = std::max(-1.0e7f, std::min(1.0e7f, x));
    y = std::max(-1.0e7f, std::min(1.0e7f, y));
    mOriginX = static_cast<int>(x);
    mOriginY = static_cast<int>(y);
    // The quarter-pixel remainder keeps its sign, like the integer part's truncation.
    mFracX = static_cast<int>(4 * x) % 4;
    mFracY = static_cast<int>(4 * y) % 4;
    if (!target)
    {
        if (TRenderer::HasInstance())
        {
            TRenderer::GetInstance()->SetTexture(nullptr);
            if (mCapture)
                mCapture->screenRun = true;
        }
        return true;
    }
    if (!mTarget)
    {
        TColor32* pixels = nullptr;
        unsigned pitch = 0;
        if (target->Lock(&pixels, &pitch))
        {
            mTarget = target;
            mPixels = pixels;
            mPitch = pitch;
            mTargetWidth = target->GetWidth();
            mTargetHeight = target->GetHeight();
        }
        else
            mDiscard = true;  // meant for a texture that has no pixels: not for the screen
    }
    return true;
}

bool TQfMiniVecDraw::StartBuffer(float x, float y, TColor32* pixels, unsigned width, unsigned height,
                                 unsigned pitch)
{
    Stop();
    Start(x, y, nullptr);
    mPixels = pixels;
    mTargetWidth = pixels ? std::min(width, pitch) : 0;
    mTargetHeight = pixels ? height : 0;
    mPitch = pitch;
    return true;
}

void TQfMiniVecDraw::Stop()
{
    Flush();
    if (mTarget)
    {
        mTarget->Unlock();
        mTarget.reset();
    }
    mPixels = nullptr;
    mDiscard = false;
    mTargetWidth = mTargetHeight = mPitch = 0;
    if (gInvalidateScreen)
        gInvalidateScreen();
}

void TQfMiniVecDraw::Emit(int x1, int x2, int y, int ramp, int plane)
{
    if (mBatchCount == kBatch)
        Flush();
    TOut& o = mBatch[mBatchCount++];
    o.x1 = x1;
    o.x2 = x2;
    o.y = y;
    o.colour = mRamp[plane & 3][ramp & 31];
}

void TQfMiniVecDraw::Flush()
{
    if (mBatchCount == 0)
        return;
    if (mPixels)
        FlushToPixelBuffer();
    else if (!mTarget && !mDiscard && TRenderer::HasInstance())
    {
        if (mCapture)
        {
            mCapture->spans.insert(mCapture->spans.end(), mBatch, mBatch + mBatchCount);
            mCapture->calls.push_back(unsigned(mBatchCount));
            mCapture->offset = mOffset;
        }
        SendLines(mBatch, mBatchCount, mOffset, 0);
    }
    mBatchCount = 0;
}

void TQfMiniVecDraw::SendLines(const TOut* spans, int count, float offset, unsigned long long kept)
{
    for (int i = 0; i < count; ++i)
    {
        const TOut& o = spans[i];
        for (int k = 0; k < 2; ++k)
        {
            TTransformedLitVert& v = mVerts[2 * i + k];
            v.pos = TVec3(float(k ? o.x2 : o.x1) + offset, float(o.y) + offset, 0.1f);
            v.rhw = 0.5f;
            v.color = o.colour;
            v.specular = TColor32(0, 0, 0, 255);
            v.u = v.v = 0;
        }
    }
    TVertexSet set(mVerts, unsigned(2 * count));
    set.SetKeptId(kept);
    TRenderer::GetInstance()->DrawVertices(TRenderer::kLines, set);
}

void TQfMiniVecDraw::FlushToPixelBuffer()
{
    for (int i = 0; i < mBatchCount; ++i)
    {
        const TOut& o = mBatch[i];
        if (o.y < 0 || unsigned(o.y) >= mTargetHeight)
            continue;
        const int x1 = std::max(o.x1, 0);
        const int x2 = std::min(o.x2, int(mTargetWidth));
        if (x1 >= x2)
            continue;
        const TColor32 src = o.colour;
        const unsigned a = src.Alpha();
        TColor32* row = mPixels + size_t(o.y) * mPitch;
        if (mAccumulate)
        {
            // A span without alpha adds nothing (and would divide 0 by 0 over a clear pixel).
            if (a == 0)
                continue;
            for (int x = x1; x < x2; ++x)
            {
                const TColor32 d = row[x];
                const unsigned ad = d.Alpha(), sum = ad + a;
                row[x] = TColor32(static_cast<unsigned char>((d.Red() * ad + src.Red() * a) / sum),
                                  static_cast<unsigned char>((d.Green() * ad + src.Green() * a) / sum),
                                  static_cast<unsigned char>((d.Blue() * ad + src.Blue() * a) / sum),
                                  static_cast<unsigned char>(std::min(255u, sum)));
            }
        }
        else if (mReplace)
        {
            for (int x = x1; x < x2; ++x)
                row[x] = src;
        }
        else if (a == 255)
        {
            // Opaque: the source colour, the destination's alpha kept.
            const uint32_t rgb = src.Word() & 0x00FFFFFFu;
            for (int x = x1; x < x2; ++x)
                row[x] = TColor32((row[x].Word() & 0xFF000000u) | rgb);
        }
        else
        {
            for (int x = x1; x < x2; ++x)
            {
                const TColor32 d = row[x];
                row[x] = TColor32(static_cast<unsigned char>((d.Red() * (255 - a) + src.Red() * a) / 255),
                                  static_cast<unsigned char>((d.Green() * (255 - a) + src.Green() * a) / 255),
                                  static_cast<unsigned char>((d.Blue() * (255 - a) + src.Blue() * a) / 255),
                                  d.Alpha());
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing a shape.

void TQfMiniVecDraw::Draw(const unsigned char* shape, int x, int y, size_t limit)
{
    if (!shape || limit == 0)
        return;
    if (mGeneration != gShapeGeneration)
        ClearCache();
    x += mFracX;
    y += mFracY;
    const int pixelX = x >> 2, pixelY = y >> 2;
    const int phaseX = x & 3, phaseY = y & 3;

    TKey key;
    key.shape = shape;
    key.phaseX = static_cast<uint8_t>(phaseX);
    key.phaseY = static_cast<uint8_t>(phaseY);
    key.italic = mItalic;
    key.scaleX = mScaleX;
    key.scaleY = mScaleY;
    key.outline0 = mOutlineWidth[0];
    key.outline1 = mOutlineWidth[1];
    key.cosine = mCos;
    key.sine = mSin;
    const int bucket = static_cast<int>(reinterpret_cast<uintptr_t>(shape) % kBuckets);
    for (int e = mBuckets[bucket]; e >= 0; e = mEntries[e].next)
    {
        if (!(mEntries[e].key == key))
            continue;
        const int ox = pixelX + mOriginX, oy = pixelY + mOriginY;
        for (size_t s = mEntries[e].spanStart; mSpanStore[s].ramp != 255; ++s)
        {
            const TSpan& sp = mSpanStore[s];
            Emit(sp.x1 + ox, sp.x2 + ox, sp.y + oy, sp.ramp, sp.plane);
        }
        return;
    }

    if (mSpanStore.size() > kMaxCachedSpans || mEntries.size() > kMaxCachedShapes)
        ClearCache();
    TEntry entry;
    entry.key = key;
    entry.next = mBuckets[bucket];
    entry.spanStart = mSpanStore.size();
    mEntries.push_back(entry);
    mBuckets[bucket] = static_cast<int>(mEntries.size() - 1);

    mRecording = true;
    Convert(shape, limit, phaseX, phaseY);
    ScanConvert(pixelX + mOriginX, pixelY + mOriginY);
    mRecording = false;
    TSpan end{0, 0, 0, 255, 0};
    mSpanStore.push_back(end);
    ++mConversions;
}

void TQfMiniVecDraw::Convert(const unsigned char* p, size_t limit, int phaseX, int phaseY)
{
    mEdges.clear();
    mLayer = mMaxLayer = 2;
    mFill0 = mFill1 = 0;
    mPhaseX = phaseX;
    mPhaseY = phaseY;
    mSlots[0] = TColor32(0u);
    int base = 0, counter = 0;
    float penX = 0, penY = 0;
    size_t left = limit;
    auto need = [&left](size_t n) { return left >= n; };
    while (need(1))
    {
        const int op = *p++;
        --left;
        if (op == 1)
        {
            // Layers are bounded: further layers share the last one.
            mLayer = std::min(mLayer + 1, 255);
            mMaxLayer = std::max(mMaxLayer, mLayer);
            mFill0 = mFill1 = 0;
            base = counter;
        }
        else if (op == 2 || op == 3)
        {
            if (!need(1))
                break;
            const int c = *p++;
            --left;
            const int slot = c ? (base + c) & 255 : 0;
            (op == 2 ? mFill0 : mFill1) = slot;
        }
        else if (op == 4 || op == 5)
        {
            if (!need(4))
                break;
            const float x = float(ReadI16(p)), y = float(ReadI16(p + 2));
            p += 4;
            left -= 4;
            if (op == 5)
                Segment(penX, penY, x, y);
            penX = x;
            penY = y;
        }
        else if (op == 6)
        {
            if (!need(8))
                break;
            const float cx = float(ReadI16(p)), cy = float(ReadI16(p + 2));
            const float x = float(ReadI16(p + 4)), y = float(ReadI16(p + 6));
            p += 8;
            left -= 8;
            // Three chords, at t = 1/3, 2/3 and 1.
            const float x0 = penX, y0 = penY;
            for (int i = 1; i <= 3; ++i)
            {
                const float t = i / 3.0f, u = 1 - t;
                const float nx = i == 3 ? x : u * u * x0 + 2 * u * t * cx + t * t * x;
                const float ny = i == 3 ? y : u * u * y0 + 2 * u * t * cy + t * t * y;
                Segment(penX, penY, nx, ny);
                penX = nx;
                penY = ny;
            }
        }
        else if (op == 7)
        {
            if (!need(3))
                break;
            if (counter < 255)
                ++counter;
            if (mCapture)
                mCapture->shapeColours = true;
            SetColor(counter, TColor(p[0] / 255.0f, p[1] / 255.0f, p[2] / 255.0f, 1.0f), 1.0f);
            p += 3;
            left -= 3;
        }
        else
            break;  // 8 ends the shape; 0 and unknown bytes are treated the same
    }
}

void TQfMiniVecDraw::Segment(float x1, float y1, float x2, float y2)
{
    for (int k = 0; k < 2; ++k)
        if (mOutlineWidth[k] != 0)
            SetEdgeOutline(x1, y1, x2, y2, k);
    SetEdge(x1, y1, x2, y2, mFill0 ? mFill0 : mFill1, mLayer);
}

void TQfMiniVecDraw::SetEdge(float x1, float y1, float x2, float y2, int colour, int layer)
{
    if (mItalic)
    {
        // A slant of one third, in program units before scaling.
        x1 -= y1 / 3;
        x2 -= y2 / 3;
    }
    x1 *= mScaleX;
    x2 *= mScaleX;
    y1 *= mScaleY;
    y2 *= mScaleY;
    if (mSin != 0)
    {
        const float rx1 = x1 * mCos - y1 * mSin, ry1 = x1 * mSin + y1 * mCos;
        const float rx2 = x2 * mCos - y2 * mSin, ry2 = x2 * mSin + y2 * mCos;
        x1 = rx1;
        y1 = ry1;
        x2 = rx2;
        y2 = ry2;
    }
    AddScaledEdge(x1 + mPhaseX, y1 + mPhaseY, x2 + mPhaseX, y2 + mPhaseY, colour, layer);
}

void TQfMiniVecDraw::SetEdgeOutline(float x1, float y1, float x2, float y2, int k)
{
    const float w = 4 * mOutlineWidth[k];
    const float dx = x2 - x1, dy = y2 - y1;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (!(len > 0) || mScaleX == 0 || mScaleY == 0)
        return;
    const float ux = dx / len, uy = dy / len;
    const float a = w * ux / mScaleX, b = w * uy / mScaleY;
    // The segment widened by w on both sides, with pointed ends reaching w beyond each end.
    const float cx[6] = {x1 + b, x1 - a, x1 - b, x2 - b, x2 + a, x2 + b};
    const float cy[6] = {y1 - a, y1 - b, y1 + a, y2 + a, y2 + b, y2 - a};
    for (int i = 0; i < 6; ++i)
    {
        const int j = (i + 1) % 6;
        SetEdge(cx[i], cy[i], cx[j], cy[j], 1, k);
    }
}

void TQfMiniVecDraw::AddScaledEdge(float x1, float y1, float x2, float y2, int colour, int layer)
{
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    bool swapped = false;
    if (y1 > y2)
    {
        std::swap(x1, x2);
        std::swap(y1, y2);
        swapped = true;
    }
    // Outline edges carry their direction in the colour: winding +1 or -1.
    if (layer < 2 && !swapped)
        colour = 0;
    // Rows whose sample line (row + 1/2) lies in [y1, y2).
    const float lo = std::max(y1, float(-kRowLimit)), hi = std::min(y2, float(kRowLimit));
    if (!(lo < hi))
        return;
    const int first = static_cast<int>(std::ceil(lo - 0.5f));
    const int last = static_cast<int>(std::ceil(hi - 0.5f));
    if (first >= last)
        return;
    TEdge e;
    e.x1 = x1;
    e.y1 = y1;
    e.x2 = x2;
    e.y2 = y2;
    e.dx = (x2 - x1) / (y2 - y1);
    e.x = x1;
    e.firstRow = first;
    e.lastRow = last;
    e.colour = static_cast<uint8_t>(colour);
    e.layer = static_cast<uint8_t>(layer);
    mEdges.push_back(e);
}

// Adds the samples [l, r) of one quarter row. Both ends use the same column bias, so a crossing
// pair r - l apart covers exactly r - l samples: a shape edge on a pixel boundary leaves the
// next pixel untouched (biasing the right end one sample further would spill a quarter pixel of
// coverage past every right edge). The row sum is then the sample count, and ramp entry k
// stands for k + 1 samples.
void TQfMiniVecDraw::AddCoverage(float xl, float xr, int plane)
{
    const int l = RoundQ(xl), r = RoundQ(xr);
    if (r <= l)
        return;
    int* cov = mCoverage[plane];
    const int ends[2] = {l, r};
    for (int k = 0; k < 2; ++k)
    {
        const int v = std::max(0, std::min(4 * kColumns - 1, ends[k] + kFirstColumnQ));
        const int p = v >> 2, f = v & 3;
        const int sign = k == 0 ? 1 : -1;
        cov[p] += sign * (4 - f);
        cov[p + 1] += sign * f;
        mTouchedMin[plane] = std::min(mTouchedMin[plane], p);
        mTouchedMax[plane] = std::max(mTouchedMax[plane], p + 1);
    }
}

void TQfMiniVecDraw::ScanConvert(int pixelX, int pixelY)
{
    const int n = static_cast<int>(mEdges.size());
    if (n == 0)
        return;
    mOrder.resize(n);
    for (int i = 0; i < n; ++i)
        mOrder[i] = i;
    std::sort(mOrder.begin(), mOrder.end(),
              [this](int a, int b) {
                  return mEdges[a].firstRow < mEdges[b].firstRow ||
                         (mEdges[a].firstRow == mEdges[b].firstRow && a < b);
              });
    int lastRow = mEdges[0].lastRow;
    for (const TEdge& e : mEdges)
        lastRow = std::max(lastRow, e.lastRow);

    uint8_t layerColour[256];
    mActive.clear();
    int next = 0;
    int row = mEdges[mOrder[0]].firstRow;
    int pixelRow = FloorDiv4(row);
    while (row < lastRow)
    {
        if (FloorDiv4(row) != pixelRow)
        {
            HLineBatchFlush(pixelRow, pixelX, pixelY);
            pixelRow = FloorDiv4(row);
        }
        // Drop the edges that ended, take in the ones that start here.
        size_t kept = 0;
        for (size_t i = 0; i < mActive.size(); ++i)
            if (mEdges[mActive[i]].lastRow > row)
                mActive[kept++] = mActive[i];
        mActive.resize(kept);
        while (next < n && mEdges[mOrder[next]].firstRow <= row)
            mActive.push_back(mOrder[next++]);
        if (mActive.empty())
        {
            if (next >= n)
                break;
            // Nothing on the rows in between: jump to the next edge's first row.
            row = mEdges[mOrder[next]].firstRow;
            continue;
        }
        const float sampleY = row + 0.5f;
        for (int idx : mActive)
        {
            TEdge& e = mEdges[idx];
            e.x = e.x1 + (sampleY - e.y1) * e.dx;
        }
        // Insertion sort: the order changes little from row to row.
        for (size_t i = 1; i < mActive.size(); ++i)
        {
            const int v = mActive[i];
            size_t j = i;
            while (j > 0 && mEdges[mActive[j - 1]].x > mEdges[v].x)
            {
                mActive[j] = mActive[j - 1];
                --j;
            }
            mActive[j] = v;
        }

        memset(layerColour, 0, size_t(mMaxLayer) + 1);
        int winding[2] = {0, 0};
        int visible = 0;
        float prevX = 0;
        for (int idx : mActive)
        {
            const TEdge& e = mEdges[idx];
            if (visible && e.x > prevX)
                AddCoverage(prevX, e.x, PlaneOf(visible));
            if (e.layer < 2)
                winding[e.layer] += e.colour == 1 ? 1 : -1;
            else if (layerColour[e.layer] == e.colour)
                layerColour[e.layer] = 0;
            else
                layerColour[e.layer] = e.colour;
            // The highest layer with a colour shows.
            visible = 0;
            for (int l = mMaxLayer; l >= 2; --l)
                if (layerColour[l])
                {
                    visible = layerColour[l];
                    break;
                }
            if (!visible && winding[1])
                visible = 254;
            if (!visible && winding[0])
                visible = 255;
            prevX = e.x;
        }
        ++row;
    }
    HLineBatchFlush(pixelRow, pixelX, pixelY);
}

void TQfMiniVecDraw::HLineBatchFlush(int row, int pixelX, int pixelY)
{
    // Planes in order, so outlines lie beneath fills and the text colour on top.
    for (int plane = 0; plane < 4; ++plane)
    {
        if (mTouchedMax[plane] < 0)
            continue;
        int* cov = mCoverage[plane];
        const int lo = mTouchedMin[plane], hi = std::min(mTouchedMax[plane], kColumns);
        int sum = 0, runStart = lo, runValue = 0;
        // One column past the last touched one closes the final run.
        for (int c = lo; c <= hi + 1; ++c)
        {
            int v = 0;
            if (c <= hi)
            {
                sum += cov[c];
                cov[c] = 0;
                v = sum > 0 ? std::min(sum, 32) : 0;
            }
            if (v == runValue)
                continue;
            if (runValue > 0)
            {
                const int x1 = runStart - 1600, x2 = c - 1600;
                if (mRecording)
                    mSpanStore.push_back(
                        TSpan{int16_t(x1), int16_t(x2), int16_t(row), uint8_t(runValue - 1), uint8_t(plane)});
                Emit(x1 + pixelX, x2 + pixelX, row + pixelY, runValue - 1, plane);
            }
            runStart = c;
            runValue = v;
        }
        mTouchedMin[plane] = kColumns;
        mTouchedMax[plane] = -1;
    }
}

void TQfMiniVecDraw::DrawBar(float x1, float y1, float x2, float y2)
{
    if (mGeneration != gShapeGeneration)
        ClearCache();
    mEdges.clear();
    mMaxLayer = 2;
    mPhaseX = mFracX;
    mPhaseY = mFracY;
    const float xs[4] = {x1, x2, x2, x1}, ys[4] = {y1, y1, y2, y2};
    float rx[4], ry[4];
    for (int i = 0; i < 4; ++i)
    {
        rx[i] = xs[i] * mCos - ys[i] * mSin;
        ry[i] = xs[i] * mSin + ys[i] * mCos;
    }
    for (int i = 0; i < 4; ++i)
    {
        const int j = (i + 1) % 4;
        AddScaledEdge(rx[i] + mPhaseX, ry[i] + mPhaseY, rx[j] + mPhaseX, ry[j] + mPhaseY, 1, 2);
    }
    ScanConvert(mOriginX, mOriginY);
}
