#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "foundation/file.h"
#include "glcontext.h"
#include "imagefixtures.h"
#include "recordinghandler.h"
#include "render/gl/gldisplayhandler.h"
#include "render/imageloaders.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "render/vertexset.h"

namespace
{

const int kSide = 1024;
const int kSprites = 10000;

// A photo-like 1024 x 1024 picture: smooth gradients with some texture.
std::vector<uint32_t> Picture()
{
    std::vector<uint32_t> words(static_cast<size_t>(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
        {
            const int r = (x / 4) & 0xFF, g = (y / 4) & 0xFF;
            const int b = static_cast<int>(127 + 120 * std::sin(x * 0.05) * std::cos(y * 0.03));
            words[static_cast<size_t>(y) * kSide + x] = TColor32(r, g, b, 255).Word();
        }
    return words;
}

struct TRegistered
{
    std::vector<uint8_t> bytes;
    explicit TRegistered(const char* name, std::vector<uint8_t> b) : bytes(std::move(b))
    {
        TFile::AddMemoryFile(name, bytes.data(), static_cast<unsigned>(bytes.size()));
    }
};

void BM_DecodePng1024(benchmark::State& state)
{
    static TRegistered file("bench.png", qftest::EncodePngRgba(kSide, kSide, Picture()));
    for (auto _ : state)
    {
        unsigned char* px = nullptr;
        int w, h, s, a;
        if (!EzPngLoadImage("bench.png", &px, &w, &h, &s, &a))
            state.SkipWithError("decode failed");
        EzPngFreeImage(px);
    }
    state.counters["file_bytes"] = static_cast<double>(file.bytes.size());
}
BENCHMARK(BM_DecodePng1024)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg1024(benchmark::State& state)
{
    static TRegistered file("bench.jpg", qftest::MakeJpegFixture(qftest::kJpegBaseline, kSide, kSide).bytes);
    for (auto _ : state)
    {
        unsigned char* px = nullptr;
        int w, h, s;
        if (!EzJpegLoadImage("bench.jpg", &px, &w, &h, &s))
            state.SkipWithError("decode failed");
        EzJpegFreeImage(px);
    }
    state.counters["file_bytes"] = static_cast<double>(file.bytes.size());
}
BENCHMARK(BM_DecodeJpeg1024)->Unit(benchmark::kMillisecond);

void BM_DecodeProgressiveJpeg1024(benchmark::State& state)
{
    static TRegistered file("benchp.jpg",
                            qftest::MakeJpegFixture(qftest::kJpegProgressive, kSide, kSide).bytes);
    for (auto _ : state)
    {
        unsigned char* px = nullptr;
        int w, h, s;
        if (!EzJpegLoadImage("benchp.jpg", &px, &w, &h, &s))
            state.SkipWithError("decode failed");
        EzJpegFreeImage(px);
    }
}
BENCHMARK(BM_DecodeProgressiveJpeg1024)->Unit(benchmark::kMillisecond);

void BM_DecodeJp2_1024(benchmark::State& state)
{
    static TRegistered file("bench.jp2", qftest::MakeJp2Fixture(qftest::TJp2Options(), kSide, kSide).bytes);
    for (auto _ : state)
    {
        unsigned char* px = nullptr;
        int w, h, s, a;
        if (!EzJp2LoadImage("bench.jp2", &px, &w, &h, &s, &a))
            state.SkipWithError("decode failed");
        EzJp2FreeImage(px);
    }
    state.counters["file_bytes"] = static_cast<double>(file.bytes.size());
}
BENCHMARK(BM_DecodeJp2_1024)->Unit(benchmark::kMillisecond);

// One frame of 10,000 rotated, scaled, translucent sprites.
void SubmitFrame(TRenderer* renderer, const std::shared_ptr<TTexture>& sprite)
{
    renderer->BeginDraw(false);
    renderer->Begin2d();
    for (int i = 0; i < kSprites; ++i)
        sprite->DrawSprite(static_cast<float>(i % 640), static_cast<float>((i / 640) * 30 % 480), 0.75f,
                           1.0f + (i % 5) * 0.1f, i * 0.01f, 0);
    renderer->End2d();
    renderer->EndDraw(false);
}

void BM_Submit10000SpritesRecording(benchmark::State& state)
{
    auto handler = std::make_unique<TRecordingDisplayHandler>();
    TRecordingDisplayHandler* recorder = handler.get();
    TRenderer* renderer = TRenderer::CreateInstance(std::move(handler));
    recorder->SetDisplay(640, 480, false, false, false, false);
    renderer->PushClippingRectangle(TURect(0, 0, 640, 480));
    std::shared_ptr<TTexture> sprite = TTexture::Create(32, 32, true);
    recorder->calls.reserve(kSprites);
    for (auto _ : state)
    {
        recorder->calls.clear();
        SubmitFrame(renderer, sprite);
    }
    state.counters["sprites_per_s"] =
        benchmark::Counter(static_cast<double>(kSprites) * state.iterations(), benchmark::Counter::kIsRate);
    sprite.reset();
    TRenderer::ShutDown();
}
BENCHMARK(BM_Submit10000SpritesRecording)->Unit(benchmark::kMillisecond);

void BM_Submit10000SpritesOpenGL(benchmark::State& state)
{
    qftest::TTestGLContext context;
    if (!context.Create(640, 480))
    {
        state.SkipWithError("no OpenGL context");
        for (auto _ : state)
        {
        }
        return;
    }
    auto handler = TGLDisplayHandler::CreateInstance();
    TGLDisplayHandler* gl = static_cast<TGLDisplayHandler*>(handler.get());
    TRenderer* renderer = TRenderer::CreateInstance(std::move(handler));
    gl->SetDisplay(640, 480, false, false, false, false);
    renderer->PushClippingRectangle(TURect(0, 0, 640, 480));
    std::shared_ptr<TTexture> sprite = TTexture::Create(32, 32, true);
    std::vector<TColor32> probe(1);
    for (auto _ : state)
    {
        SubmitFrame(renderer, sprite);
        // Wait for the frame so the figure includes the driver's work.
        gl->ReadScreenPixels(0, 0, 1, 1, probe.data());
    }
    state.counters["sprites_per_s"] =
        benchmark::Counter(static_cast<double>(kSprites) * state.iterations(), benchmark::Counter::kIsRate);
    sprite.reset();
    TRenderer::ShutDown();
}
BENCHMARK(BM_Submit10000SpritesOpenGL)->Unit(benchmark::kMillisecond);

}  // namespace
