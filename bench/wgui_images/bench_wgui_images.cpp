#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "foundation/assetmanager.h"
#include "foundation/file.h"
#include "imagefixtures.h"
#include "recordinghandler.h"
#include "render/renderer.h"
#include "wgui_imagemap.h"
#include "wgui_misc.h"

namespace
{

const int kSide = 1024;
const int kSprites = 10000;

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

// A renderer on the recording handler and one 1024 x 1024 map of 64 x 64 cells with three
// automatic mip levels, declared in memory.
struct Setup
{
    TAssetManager assets;
    std::vector<uint8_t> png;
    std::string declarations;
    WGUI::ImageMap* map = nullptr;
    TRecordingDisplayHandler* handler = nullptr;

    Setup()
    {
        auto owned = std::make_unique<TRecordingDisplayHandler>();
        handler = owned.get();
        TRenderer::CreateInstance(std::move(owned));
        handler->SetDisplay(1024, 768, false, false, false, false);
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 1024, 768));
        TAssetManager::SetInstance(&assets);
        png = qftest::EncodePngRgba(kSide, kSide, Picture());
        TFile::AddMemoryFile("graphics/bench.png", png.data(), static_cast<unsigned>(png.size()));
        declarations = "<imagemaps><imagemap name=\"bench\" filename=\"bench\" width=\"1024\" "
                       "height=\"1024\" automipmaplevels=\"3\" alwaysneeded=\"true\">"
                       "<cellgrid width=\"64\" height=\"64\"/></imagemap></imagemaps>";
        WGUI::ImageMaps::instance()->readText(declarations.data(), declarations.size());
        WGUI::ImageMaps::instance()->loadUnloadNeeded();
        map = WGUI::ImageMaps::get("bench");
    }
};

Setup& Shared()
{
    static Setup s;
    return s;
}

void BM_BuildMipLevels1024(benchmark::State& state)
{
    Setup& s = Shared();
    if (!s.map || !s.map->isImageLoaded())
    {
        state.SkipWithError("the picture did not load");
        return;
    }
    for (auto _ : state)
        s.map->refreshMipMaps();
    state.counters["levels"] = s.map->getNumLevels();
}
BENCHMARK(BM_BuildMipLevels1024)->Unit(benchmark::kMillisecond);

void BM_MipBlits10000(benchmark::State& state)
{
    Setup& s = Shared();
    if (!s.map || !s.map->isImageLoaded())
    {
        state.SkipWithError("the picture did not load");
        return;
    }
    TRenderer* r = TRenderer::GetInstance();
    for (auto _ : state)
    {
        s.handler->calls.clear();
        r->BeginDraw(false);
        r->Begin2d();
        for (int i = 0; i < kSprites; ++i)
        {
            s.map->setCell(i % 256);
            s.map->blitAlphaRectFxFMip(static_cast<float>(i % 1000), static_cast<float>(i % 700),
                                       static_cast<float>(i % 360), 0.1f + (i % 10) * 0.1f, 1.0f, false,
                                       false);
        }
        r->End2d();
        r->EndDraw(false);
    }
    state.counters["draws"] = static_cast<double>(s.handler->calls.size());
}
BENCHMARK(BM_MipBlits10000)->Unit(benchmark::kMillisecond);

}  // namespace
