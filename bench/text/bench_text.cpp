// Styled text: layout of 4 KB of marked-up text, and drawing 20 lines of text whose glyphs are
// already in the rasteriser's span cache (into a texture's pixels, and as recorded lines).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "foundation/assetmanager.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "text/minivecdraw.h"
#include "text/mvec.h"
#include "text/textgraphic.h"

namespace
{

std::string MarkedUpText(size_t bytes)
{
    const std::string paragraph =
        "<font size='18' color='ffcc00'>Chapter</font> The <b>quick</b> brown <i>fox</i> jumps "
        "over the <u>lazy</u> dog. <a id='more' color='00ff00'>Read more</a> about it "
        "<outline color='3366ff'>here</outline>, then<tab pos='200'>continue.<br>";
    std::string text;
    while (text.size() + paragraph.size() <= bytes)
        text += paragraph;
    return text;
}

void BM_Layout4KBMarkup(benchmark::State& state)
{
    const std::string text = MarkedUpText(4096);
    TTextGraphic* t = TTextGraphic::Create(str(text.c_str(), text.size()), 400, 10000, 0, "__DEFAULT", 16,
                                           TColor(1, 1, 1, 1));
    for (auto _ : state)
    {
        t->RenderText();
        benchmark::DoNotOptimize(t->GetLineCount());
    }
    state.counters["lines"] = t->GetLineCount();
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
    TTextGraphic::Destroy(t);
}
BENCHMARK(BM_Layout4KBMarkup)->Unit(benchmark::kMicrosecond);

// A recording renderer, the built-in font and 20 lines of text, drawn once to fill the cache.
class TDrawSetup
{
public:
    TDrawSetup()
    {
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        mHandler = handler.get();
        TRenderer::CreateInstance(std::move(handler));
        mHandler->SetDisplay(640, 480, false, false, false, false);
        TAssetManager::SetInstance(&mAssets);
        std::string text;
        for (int i = 0; i < 20; ++i)
            text += "Line " + std::to_string(i) + ": the quick brown fox jumps over the dog\n";
        mText = TTextGraphic::Create(str(text.c_str(), text.size()), 600, 480, 0, "__DEFAULT", 16,
                                     TColor(1, 1, 1, 1));
        mTarget = TTexture::Create(640, 480, true);
    }
    ~TDrawSetup()
    {
        TTextGraphic::Destroy(mText);
        mTarget.reset();
        TQfMiniVecDraw::DeleteInstance();
        TRenderer::ShutDown();
        TAssetManager::SetInstance(nullptr);
    }
    TRecordingDisplayHandler* mHandler;
    TAssetManager mAssets;
    TTextGraphic* mText;
    std::shared_ptr<TTexture> mTarget;
};

void BM_Draw20CachedLinesIntoTexture(benchmark::State& state)
{
    TDrawSetup s;
    s.mText->Draw(TVec2(4, 4), 480, 1.0f, 2, 1.0f, s.mTarget);
    const unsigned conversions = TQfMiniVecDraw::GetInstance()->GetConversionCount();
    for (auto _ : state)
        s.mText->Draw(TVec2(4, 4), 480, 1.0f, 2, 1.0f, s.mTarget);
    // Every glyph came from the cache.
    state.counters["conversions"] = TQfMiniVecDraw::GetInstance()->GetConversionCount() - conversions;
    state.counters["spans_cached"] = double(TQfMiniVecDraw::GetInstance()->GetCachedSpanCount());
}
BENCHMARK(BM_Draw20CachedLinesIntoTexture)->Unit(benchmark::kMicrosecond);

void BM_Draw20CachedLinesAsRendererLines(benchmark::State& state)
{
    TDrawSetup s;
    TRenderer* r = TRenderer::GetInstance();
    r->BeginDraw(false);
    r->Begin2d();
    s.mText->Draw(TVec2(4, 4), 480, 1.0f, 2, 1.0f, nullptr);
    for (auto _ : state)
    {
        s.mHandler->calls.clear();
        s.mText->Draw(TVec2(4, 4), 480, 1.0f, 2, 1.0f, nullptr);
    }
    state.counters["batches"] = double(s.mHandler->calls.size());
    r->End2d();
    r->EndDraw(false);
}
BENCHMARK(BM_Draw20CachedLinesAsRendererLines)->Unit(benchmark::kMicrosecond);

}  // namespace
