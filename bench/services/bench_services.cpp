// The services' per-frame work that grows with the level: pairwise collision tests of every
// shape kind, and one frame of a full particle pool; and building the saved-state documents.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "services/collisionshapes.h"
#include "services/particles.h"
#include "wgui_xmldocument.h"

using namespace Game;

namespace
{

using WGUI::Vector2d;

// 1024 placed shapes of one kind, in a 200 x 200 field so that about a third of pairs meet.
template <class Make>
std::vector<std::unique_ptr<WGUI::Shape>> MakeShapes(Make make)
{
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> pos(0, 200), size(5, 60), ang(0, 360);
    std::vector<std::unique_ptr<WGUI::Shape>> out;
    for (int i = 0; i < 1024; ++i)
    {
        out.emplace_back(make(size(rng), size(rng), ang(rng)));
        out.back()->setWorldPos(Vector2d(pos(rng), pos(rng)));
        out.back()->setAngle(ang(rng));
        out.back()->computeAbs();
    }
    return out;
}

void RunPairs(benchmark::State& state, std::vector<std::unique_ptr<WGUI::Shape>>& a,
              std::vector<std::unique_ptr<WGUI::Shape>>& b)
{
    size_t i = 0;
    int hits = 0;
    for (auto _ : state)
    {
        hits += a[i & 1023]->intersect(b[(i * 7 + 3) & 1023].get());
        ++i;
    }
    benchmark::DoNotOptimize(hits);
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_CircleCircle(benchmark::State& state)
{
    auto s = MakeShapes([](double w, double, double) { return new WGUI::Circle(Vector2d(0, 0), w / 2); });
    RunPairs(state, s, s);
}
BENCHMARK(BM_CircleCircle);

void BM_CircleRotRect(benchmark::State& state)
{
    auto c = MakeShapes([](double w, double, double) { return new WGUI::Circle(Vector2d(0, 0), w / 2); });
    auto r =
        MakeShapes([](double w, double h, double a) { return new WGUI::RotRect(Vector2d(0, 0), w, h, a); });
    RunPairs(state, c, r);
}
BENCHMARK(BM_CircleRotRect);

void BM_RotRectRotRect(benchmark::State& state)
{
    auto r =
        MakeShapes([](double w, double h, double a) { return new WGUI::RotRect(Vector2d(0, 0), w, h, a); });
    RunPairs(state, r, r);
}
BENCHMARK(BM_RotRectRotRect);

void BM_ComputeAbsRotRect(benchmark::State& state)
{
    auto r =
        MakeShapes([](double w, double h, double a) { return new WGUI::RotRect(Vector2d(0, 0), w, h, a); });
    size_t i = 0;
    for (auto _ : state)
    {
        WGUI::Shape* s = r[i++ & 1023].get();
        s->setWorldPos(Vector2d(static_cast<double>(i & 255), 10));
        s->computeAbs();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}
BENCHMARK(BM_ComputeAbsRotRect);

// One frame of the play screen's pool of 300, all active, a tenth of them dying and re-emitted
// each frame.
void BM_ParticleFrame300(benchmark::State& state)
{
    ParticleEngine engine(nullptr, 300);
    auto emit = [&engine](float life)
    {
        if (Particle* p = engine.popInactive())
        {
            p->lifetime = life;
            p->velocity = Vector2d(10, -5);
            engine.pushActive(p);
        }
    };
    for (int i = 0; i < 300; ++i)
        emit(static_cast<float>(i % 10) * 0.1f + 0.05f);
    for (auto _ : state)
    {
        engine.update(0.016);
        while (engine.getNumInactive() > 0)
            emit(1.0f);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * 300);
}
BENCHMARK(BM_ParticleFrame300);

}  // namespace

// Building a saved-state document as the services do before they save it: elements made
// bottom up, each appended to its parent, the root set into the document. A level-progress
// document of eight profiles, and a profile list holding one very long name (the argument, in
// bytes).
void BM_BuildLevelProgressDocument(benchmark::State& state)
{
    int64_t elements = 0;
    for (auto _ : state)
    {
        WGUI::XmlDocument doc(false);
        WGUI::XmlElement root("levelprogress");
        for (int p = 0; p < 8; ++p)
        {
            WGUI::XmlElement profile("profile");
            profile.setAttribute("name", str(("Player" + std::to_string(p)).c_str()));
            for (const char* mode : {"normal", "timeattack", "endurance"})
            {
                WGUI::XmlElement modeElement(mode);
                for (int l = 0; l < 60; ++l)
                {
                    WGUI::XmlElement level("level");
                    level.setAttribute("name", str(("level" + std::to_string(l) + ".xml").c_str()));
                    level.setBoolAttribute("completed", true);
                    level.setAttribute("time", 1000 + l);
                    modeElement.insertEndChild(level);
                    ++elements;
                }
                profile.insertEndChild(modeElement);
            }
            root.insertEndChild(profile);
        }
        doc.setRoot(root);
        benchmark::DoNotOptimize(doc.getRoot().getNode());
    }
    state.SetItemsProcessed(elements);
}
BENCHMARK(BM_BuildLevelProgressDocument)->Unit(benchmark::kMillisecond);

void BM_BuildProfilesDocumentWithALongName(benchmark::State& state)
{
    const str name(std::string(static_cast<size_t>(state.range(0)), 'N').c_str());
    for (auto _ : state)
    {
        WGUI::XmlDocument doc(false);
        WGUI::XmlElement root("profiles");
        root.setAttribute("active", "Ann");
        for (const str& n : {str("Ann"), name})
        {
            WGUI::XmlElement profile("profile");
            profile.setAttribute("name", n);
            root.insertEndChild(profile);
        }
        doc.setRoot(root);
        benchmark::DoNotOptimize(doc.getRoot().getNode());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_BuildProfilesDocumentWithALongName)->Arg(1 << 20)->Arg(40 << 20)->Unit(benchmark::kMillisecond);
