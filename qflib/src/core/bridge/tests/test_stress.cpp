// The bridge under a long seeded run of hostile operations: windows made and destroyed by scripts
// and by native code, messages, coroutines that make handles and are dropped, timed waits,
// finalisers that raise or call back into the bridge, and collections at random points. The run
// must stay clean under the sanitizers (and the collector's stress mode, in which the whole suite
// runs again).
#include <random>

#include "bridge_driver.h"
#include "bridge_fixture.h"

using namespace btest;

namespace
{

class StressTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        InstallScriptedWidgets();
        auto handler = std::make_unique<TRecordingDisplayHandler>();
        handler->SetDisplay(640, 480, false, false, false, false);
        TRenderer::CreateInstance(std::move(handler));
        TRenderer::GetInstance()->PushClippingRectangle(TURect(0, 0, 640, 480));
    }
    void TearDown() override
    {
        TRenderer::ShutDown();
        for (const char* type : {"Slider", "Bitmap", "Button", "Text", "TextEdit"})
            TLuaWindowScript::SetBuiltinWindowClass(str(type), 0);
        SetMovieHostFactory(nullptr);
    }

    DbgCapture dbg;
};

TEST_F(StressTest, TenThousandRandomStepsStayCleanAndRunTheirFinalisers)
{
    // The collector's stress mode collects at every allocation: fewer steps keep it in bounds.
    // QF_STRESS_STEPS sets another count for a longer run by hand.
    const char* gcStress = getenv("SCRIPTENGINE_GCSTRESS");
    const bool stressed = gcStress && *gcStress && *gcStress != '0';
    const int steps = std::atoi(getenv("QF_STRESS_STEPS") ? getenv("QF_STRESS_STEPS") : "0") > 0
                          ? std::atoi(getenv("QF_STRESS_STEPS"))
                      : stressed ? 2000
                                 : 10000;
    for (unsigned seed : {1u, 2u})
    {
        std::mt19937 rng(seed);
        int finalised = 0;
        {
            bridgedriver::Budget budget;
            budget.hookCalls = 100000;  // a long run: the budget only stops a runaway step
            budget.caughtErrors = 100000;
            bridgedriver::Driver driver(budget);
            for (int i = 0; i < steps && driver.Script(); i++)
            {
                const unsigned op = rng() % bridgedriver::Driver::kOperations;
                driver.Step(op, rng());
            }
            ASSERT_NE(driver.Script(), nullptr) << "seed " << seed;
            driver.Run("collectgarbage()");
            finalised = std::atoi(Global(driver.State(), "gFinalised").c_str());
        }
        EXPECT_GT(finalised, 0) << "seed " << seed;
        EXPECT_GT(dbg.Count("finaliser"), 0) << "seed " << seed;
    }
}

}  // namespace
