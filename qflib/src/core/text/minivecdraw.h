// TQfMiniVecDraw: the vector-shape rasteriser. It scan-converts the byte-coded shape programs of
// vector fonts into anti-aliased horizontal spans (4 x 4 samples per pixel) and draws them as
// coloured lines through the renderer, or writes them straight into pixels (a locked texture or
// a plain memory buffer). Every converted shape is kept in a span cache keyed by its program
// address, phase and style, so drawing it again only replays its spans.
//
// Shape program (operands little-endian, coordinates i16 in 1/128 font units, y down):
//   1 new fill layer | 2 c fill colour 0 | 3 c fill colour 1 | 4 x y move | 5 x y line |
//   6 cx cy x y quadratic | 7 r g b define colour | 8 end (so is 0, any other byte, and the end
//   of the program's bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/color.h"
#include "render/vertexset.h"

class TTexture;

class TQfMiniVecDraw
{
public:
    static constexpr size_t kUnbounded = ~size_t(0);

    // One output span: pixels [x1, x2) of row y relative to the shape's pixel position, drawn
    // in entry `ramp` (coverage ramp + 1 of 16 samples; 255 ends a cached list) of `plane`.
    struct TSpan
    {
        int16_t x1, x2, y;
        uint8_t ramp, plane;
    };

    TQfMiniVecDraw();
    ~TQfMiniVecDraw();
    TQfMiniVecDraw(const TQfMiniVecDraw&) = delete;
    TQfMiniVecDraw& operator=(const TQfMiniVecDraw&) = delete;

    // The one rasteriser, made and calibrated by CreateInstance, which start-up calls through
    // the text hooks; DeleteInstance frees it.
    static TQfMiniVecDraw* GetInstance();
    static void CreateInstance();
    static void DeleteInstance();
    // Called by Stop to mark the screen for redraw (the window manager installs it).
    static void SetInvalidateScreenHook(void (*hook)());
    // Drops every cached shape of every rasteriser before its next draw: shape programs are
    // about to be freed and their addresses may be reused.
    static void ForgetShapes();

    // Line positions get +0.5 (pixel centres) instead of +0.25.
    void Calibrate();
    // Colour slot (0..255) with its alpha multiplied by alpha; rebuilds the ramp of its plane.
    // Slot 1 is the text colour, 255 and 254 the colours of outline layers 0 and 1.
    void SetColor(int slot, const TColor& colour, float alpha);

    // Begins a run of draws at (x, y) pixels. No target: lines through the renderer, untextured.
    // A target texture is locked and written directly until Stop or the next target.
    bool Start(float x, float y, std::shared_ptr<TTexture> target);
    // The same into a caller's pixel buffer (B, G, R, A words, pitch in pixels).
    bool StartBuffer(float x, float y, TColor32* pixels, unsigned width, unsigned height, unsigned pitch);
    // Converts or replays a shape at (x, y) quarter pixels from the origin. limit is the number
    // of program bytes that may be read.
    void Draw(const unsigned char* shape, int x, int y, size_t limit = kUnbounded);
    // A filled rectangle in quarter pixels from the origin, turned by the rotation, in slot 1's
    // colour; not cached (cursor and underline bars).
    void DrawBar(float x1, float y1, float x2, float y2);
    void Flush();
    void Stop();

    // Style, set directly between draws. Scales are quarter pixels per program unit.
    float mScaleX = 1.0f, mScaleY = 1.0f;
    float mCos = 1.0f, mSin = 0.0f;
    float mOutlineWidth[2] = {0, 0};  // pixels; 0 = no outline in that layer
    bool mItalic = false;
    // Pixel-buffer modes: replace writes the span colour; accumulate adds alpha and blends
    // colours by weight; otherwise source-over with the destination alpha kept.
    bool mReplace = false;
    bool mAccumulate = false;

    // One span as a flush sends it: pixels [x1, x2) of row y, in its colour.
    struct TOut
    {
        int x1, x2, y;
        TColor32 colour;
    };
    // What runs of draws to the screen send to the renderer can be kept and sent again by a
    // caller that knows the same draws would send the same (a text block whose layout and
    // position did not change). While capturing, the spans of every batch a flush sends to the
    // renderer as lines are also appended to spans, their count to calls; a run started on the
    // screen sets screenRun.
    struct TScreenCapture
    {
        std::vector<TOut> spans;     // kept as spans, a quarter of their lines' vertices
        std::vector<unsigned> calls;  // spans a batch
        float offset = 0;             // the rasteriser's line offset when they were sent
        bool screenRun = false;
        std::vector<uint8_t> slotsSet;  // the colour slots the draws set, each once
        // A shape defined its own colours while converted: drawing it from the span cache uses
        // whatever ramp the last conversion left, so its draws are not sent again.
        bool shapeColours = false;
        // Ids of the kept batches (TVertexSet::SetKeptId), the first batch's and on; 0 while
        // the capture is being taken.
        unsigned long long firstId = 0;
        void Clear()
        {
            spans.clear();
            calls.clear();
            screenRun = false;
            slotsSet.clear();
            shapeColours = false;
            firstId = 0;
        }
        // Ends the capture: its batches will not change until it is cleared.
        void Seal() { firstId = TVertexSet::NewKeptIds(calls.size()); }
    };
    void SetCapture(TScreenCapture* capture) { mCapture = capture; }
    // Sends a capture to the renderer as the draws did: the renderer's texture unset when a run
    // started, then the batches in order.
    void SendCaptured(const TScreenCapture& capture);
    // No run in progress: nothing batched, no target, no caller's buffer. A capture taken from
    // an idle rasteriser does not depend on what ran before.
    bool IsIdle() const { return mBatchCount == 0 && !mTarget && !mPixels && !mDiscard; }
    // What the captured draws left set (scales, rotation, origin, and the colour slots they set
    // with their planes' ramps), so that sending a capture again leaves the rasteriser as drawing
    // would have.
    struct TStyle
    {
        float scaleX, scaleY, cosine, sine, outline[2];
        bool italic, replace, accumulate;
        int originX, originY, fracX, fracY;
        std::vector<std::pair<uint8_t, TColor32>> slots;  // in the order they were first set
        TColor32 ramp[4][32];
        bool planeSet[4];
    };
    void SaveStyle(const TScreenCapture& capture, TStyle* out) const;
    void RestoreStyle(const TStyle& style);
    // Bumped by ForgetShapes: a kept capture from an older generation drew shapes since freed.
    static unsigned ShapeGeneration();
    float GetOffset() const { return mOffset; }

    // Counters for tests and benchmarks.
    unsigned GetConversionCount() const { return mConversions; }
    size_t GetCachedShapeCount() const { return mEntries.size(); }
    size_t GetCachedSpanCount() const { return mSpanStore.size(); }
    TColor32 GetRampColor(int plane, int entry) const { return mRamp[plane & 3][entry & 31]; }
    void ClearCache();

private:
    struct TEdge
    {
        float x1, y1, x2, y2;   // quarter pixels, y1 <= y2
        float dx;               // x step per quarter row
        float x;                // crossing on the current row
        int firstRow, lastRow;  // active on rows [firstRow, lastRow)
        uint8_t colour;
        uint8_t layer;
    };
    struct TKey
    {
        const unsigned char* shape;
        uint8_t phaseX, phaseY;
        bool italic;
        float scaleX, scaleY, outline0, outline1, cosine, sine;
        bool operator==(const TKey& o) const;
    };
    struct TEntry
    {
        TKey key;
        int next;
        size_t spanStart;
    };
    void Convert(const unsigned char* shape, size_t limit, int phaseX, int phaseY);
    void Segment(float x1, float y1, float x2, float y2);
    void SetEdge(float x1, float y1, float x2, float y2, int colour, int layer);
    void SetEdgeOutline(float x1, float y1, float x2, float y2, int k);
    void AddScaledEdge(float x1, float y1, float x2, float y2, int colour, int layer);
    void ScanConvert(int pixelX, int pixelY);
    void AddCoverage(float xl, float xr, int plane);
    void HLineBatchFlush(int row, int pixelX, int pixelY);
    void Emit(int x1, int x2, int y, int ramp, int plane);
    // The renderer's lines of a batch of spans, into mVerts, drawn.
    void SendLines(const TOut* spans, int count, float offset, unsigned long long kept);
    void FlushToPixelBuffer();
    void RebuildRamp(int plane, TColor32 colour);
    static int PlaneOf(int slot);

    // Program state.
    std::vector<TEdge> mEdges;
    std::vector<int> mOrder;
    std::vector<int> mActive;
    int mLayer = 2, mMaxLayer = 2;
    int mFill0 = 0, mFill1 = 0;
    int mPhaseX = 0, mPhaseY = 0;

    // Coverage deltas of the pixel row being built, per plane; column c is pixel c - 1600.
    static constexpr int kColumns = 3200;
    int mCoverage[4][kColumns + 1];
    int mTouchedMin[4], mTouchedMax[4];

    TColor32 mSlots[256];
    TColor32 mRamp[4][32];

    // Span cache.
    static constexpr int kBuckets = 2039;
    int mBuckets[kBuckets];
    std::vector<TEntry> mEntries;
    std::vector<TSpan> mSpanStore;
    bool mRecording = false;
    unsigned mGeneration = 0;
    unsigned mConversions = 0;

    // Output.
    static constexpr int kBatch = 128;  // spans, two vertices each
    TOut mBatch[kBatch];
    int mBatchCount = 0;
    TTransformedLitVert mVerts[2 * kBatch];
    float mOffset = 0.25f;
    int mOriginX = 0, mOriginY = 0, mFracX = 0, mFracY = 0;
    std::shared_ptr<TTexture> mTarget;
    TColor32* mPixels = nullptr;
    bool mDiscard = false;  // the run's target could not be locked: its spans go nowhere
    unsigned mTargetWidth = 0, mTargetHeight = 0, mPitch = 0;
    TScreenCapture* mCapture = nullptr;
};
