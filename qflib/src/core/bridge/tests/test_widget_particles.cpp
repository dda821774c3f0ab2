// Particle functions: every operation over its operand widths, results and failures, the cycle
// sequences, indexing and its failure reports, and the bounds of the value stack.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "bridge/particlefuncs.h"

namespace
{

struct Recorder : TFailure
{
    void Failure(const char* text, int line, const char* file) override
    {
        failures.push_back(std::string(file) + ":" + text);
        (void)line;
    }
    void Status(const char* text) override { status.push_back(text); }
    std::vector<std::string> failures, status;
};

struct Source : TParticleDataSource
{
    str GetName() const override { return str("velocity"); }
    unsigned GetWidth() const override { return 2; }
    void GetValue(const TParticleState& p, float* out) const override
    {
        out[0] = float(p.mAge);
        out[1] = 7;
    }
};

class Particles : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TLuaParticleSystem::SetErrorHandler(&recorder);
        machine.mSystem = &system;
        members.assign(10, 0.0f);
        particle.mMembers = members.data();
        particle.mMemberCount = unsigned(members.size());
        particle.mAge = 2000;
        system.Allocate(2);
        system.Allocate(2);
        system.Allocate(1);
        system.Allocate(4);
        system.Allocate(1);
        system.AddDataSource(new Source());
    }
    void TearDown() override { TLuaParticleSystem::SetErrorHandler(nullptr); }

    // Runs the function over the operands; the result slot's values, or "fail".
    std::vector<float> Run(TParticleFunction& f, const std::vector<std::vector<float>>& operands,
                           bool* ok = nullptr)
    {
        machine.Reset();
        for (const auto& o : operands)
            EXPECT_TRUE(machine.Push(o.data(), int(o.size())));
        machine.BeginInstruction(int(operands.size()));
        const unsigned first = machine.mFirstOperand;
        const int result = f.Process(particle, machine);
        if (ok)
            *ok = result == 1;
        if (result != 1)
            return {};
        if (machine.mSlotsInUse == first)
            return {};  // no value left
        EXPECT_EQ(machine.mSlotsInUse, first + 1);
        EXPECT_EQ(machine.mFirstOperand, first + 1);
        EXPECT_EQ(machine.mNextFree, first + 1);
        const float* v = machine.Slot(int(first));
        return std::vector<float>(v, v + machine.Width(int(first)));
    }

    Recorder recorder;
    TLuaParticleSystem system;
    TParticleMachineState machine;
    TParticleState particle;
    std::vector<float> members;
};

using V = std::vector<float>;

TEST_F(Particles, OperationsComputeOverTheirOperands)
{
    FAdd add;
    FSub sub;
    FMul mul;
    FDiv div;
    FUnm unm;
    FDistance dist;
    FLt lt;
    FLe le;
    FVIndex vindex;
    FVec vec;
    FAlpha alpha;
    F2dRotation rot;
    FTimeScale timeScale;
    FAge age;
    FExpire expire;
    FFade fade;
    struct Case
    {
        TParticleFunction* f;
        std::vector<V> in;
        bool ok;
        V out;
    } cases[] = {
        {&add, {{1, 2}, {3, 4}}, true, {4, 6}},
        {&add, {{1, 2}, {3}}, false, {}},
        {&sub, {{5, 5, 5}, {1, 2, 3}}, true, {4, 3, 2}},
        {&mul, {{1, 2}, {3}}, true, {3, 6}},
        {&mul, {{1, 2}, {3, 3}}, false, {}},
        {&div, {{3, 6}, {3}}, true, {1, 2}},
        {&unm, {{1, -2, 3}}, true, {-1, 2, -3}},
        {&dist, {{0, 0}, {3, 4}}, true, {5}},
        {&lt, {{2}, {2}}, true, {0}},
        {&le, {{2}, {2}}, true, {1}},
        {&lt, {{1}, {2}}, true, {1}},
        {&vindex, {{5, 6, 7}, {3}}, true, {7}},
        {&vindex, {{5, 6, 7}, {0}}, false, {}},
        {&vindex, {{5, 6, 7}, {4}}, false, {}},
        {&vindex, {{5, 6, 7}, {-2}}, false, {}},
        {&vec, {{1}, {2}, {3}}, true, {1, 2, 3}},
        {&vec, {}, false, {}},
        {&vec, {{1}, {2}, {3}, {4}, {5}}, false, {}},
        {&vec, {{1, 2}}, false, {}},
        {&alpha, {{0.1f, 0.2f, 0.3f}, {0.5f}}, true, {0.1f, 0.2f, 0.3f, 0.5f}},
        {&alpha, {{0.1f, 0.2f}, {0.5f}}, false, {}},
        {&rot, {{0}}, true, {1, 0}},
        {&rot, {{0, 1}}, false, {}},
        {&timeScale, {{1, 3}}, true, {2, 6}},
        {&age, {}, true, {2000}},
        {&expire, {{0}}, true, {0}},
        {&fade, {{0.5f}, {0, 0}, {10, 20}}, true, {5, 10}},
        {&fade, {{2}, {0}, {10}, {30}}, true, {30}},
        {&fade, {{-1}, {4}}, true, {4}},
        {&fade, {{0.5f}, {0, 0}, {10}}, false, {}},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        bool ok = false;
        const V out = Run(*c.f, c.in, &ok);
        EXPECT_EQ(ok, c.ok) << "case " << n << " " << c.f->GetTypeName();
        if (c.ok && ok)
        {
            ASSERT_EQ(out.size(), c.out.size()) << "case " << n;
            for (size_t i = 0; i < out.size(); i++)
                EXPECT_NEAR(out[i], c.out[i], 1e-5f) << "case " << n << " component " << i;
        }
        n++;
    }
    EXPECT_TRUE(particle.mAlive);
}

TEST_F(Particles, AFailedStepLeavesTheStackAsItWas)
{
    F2dRotation rot;
    machine.Reset();
    const float pair[2] = {3, 4};
    machine.Push(pair, 2);
    machine.BeginInstruction(1);
    EXPECT_EQ(rot.Process(particle, machine), 0);
    EXPECT_EQ(machine.mSlotsInUse, 1u);
    EXPECT_EQ(machine.Width(0), 2);
    EXPECT_EQ(machine.Slot(0)[1], 4);
}

TEST_F(Particles, ExpireEndsTheParticle)
{
    FExpire expire;
    EXPECT_EQ(Run(expire, {{3}}), V{1});
    EXPECT_FALSE(particle.mAlive);
}

TEST_F(Particles, CyclesStepThroughTheirRangeAndWrap)
{
    FOpenCycle open;
    FClosedCycle closed;
    const float openExpected[] = {0, 2.5f, 5, 7.5f, 0, 2.5f};
    for (float e : openExpected)
        EXPECT_EQ(Run(open, {{0}, {10}, {4}}), V{e});
    const float closedExpected[] = {0, 2.5f, 5, 7.5f, 10, 0};
    for (float e : closedExpected)
        EXPECT_EQ(Run(closed, {{0}, {10}, {5}}), V{e});
    // Counts that would divide by zero are refused.
    bool ok = true;
    Run(open, {{0}, {10}, {0}}, &ok);
    EXPECT_FALSE(ok);
    Run(closed, {{0}, {10}, {1}}, &ok);
    EXPECT_FALSE(ok);
    Run(open, {{0}, {10}, {NAN}}, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(Particles, MembersAreWrittenAndReadWithinTheParticle)
{
    FAssign assign;
    FNewIndex newIndex;
    FIndex index;
    // Colour (4 floats) starts at member 5.
    EXPECT_TRUE(Run(assign, {{0.1f, 0.2f, 0.3f, 0.4f}, {5}, {0}}).empty());
    EXPECT_FLOAT_EQ(members[7], 0.3f);
    EXPECT_EQ(Run(index, {{5}, {3}}), V{0.3f});
    EXPECT_EQ(Run(newIndex, {{5}, {4}, {9}}), V{9});
    EXPECT_FLOAT_EQ(members[8], 9);
    bool ok = true;
    Run(assign, {{1, 2}, {-1}, {0}}, &ok);
    EXPECT_FALSE(ok);
    Run(assign, {{1, 2, 3}, {8}, {0}}, &ok);
    EXPECT_FALSE(ok) << "past the last member";
    Run(newIndex, {{9}, {2}, {1}}, &ok);
    EXPECT_FALSE(ok) << "member 10 does not exist";
    Run(newIndex, {{0}, {-5}, {1}}, &ok);
    EXPECT_FALSE(ok);
    Run(index, {{5}, {5}}, &ok);
    EXPECT_FALSE(ok) << "the colour has 4 elements";
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.failures[0], "luaparticlesystem:Out of range parameter index [5]");
}

TEST_F(Particles, DataSourcesAreIndexedAndRead)
{
    FIndex index;
    EXPECT_EQ(Run(index, {{-1}, {1}}), V{2000});
    EXPECT_EQ(Run(index, {{-1}, {2}}), V{7});
    bool ok = true;
    Run(index, {{-1}, {3}}, &ok);
    EXPECT_FALSE(ok);
    ASSERT_EQ(recorder.failures.size(), 1u);
    EXPECT_EQ(recorder.failures[0],
              "luaparticlesystem:Out of range parameter index [3] when indexing velocity");
    Run(index, {{-2}, {1}}, &ok);
    EXPECT_FALSE(ok) << "no second source";

    FGetParticleParam param;
    param.mSource = 0;
    param.mWidth = 2;
    EXPECT_EQ(Run(param, {}), (V{2000, 7}));
    param.mWidth = 3;
    Run(param, {}, &ok);
    EXPECT_FALSE(ok);
}

TEST_F(Particles, RandomOperationsStayInTheirRanges)
{
    FRange range;
    FPick pick;
    F2dRadius radius;
    int seen[3] = {0, 0, 0};
    for (int i = 0; i < 300; i++)
    {
        const V r = Run(range, {{0, 10}, {1, 20}});
        ASSERT_EQ(r.size(), 2u);
        EXPECT_GE(r[0], 0);
        EXPECT_LT(r[0], 1);
        EXPECT_GE(r[1], 10);
        EXPECT_LT(r[1], 20);
        const V p = Run(pick, {{1}, {2, 2}, {3, 3, 3}});
        ASSERT_FALSE(p.empty());
        EXPECT_EQ(size_t(p[0]), p.size());
        seen[p.size() - 1]++;
        const V c = Run(radius, {{5}});
        ASSERT_EQ(c.size(), 2u);
        EXPECT_NEAR(std::hypot(c[0], c[1]), 5.0, 1e-4);
    }
    for (int s : seen)
        EXPECT_GT(s, 0);
    bool ok = true;
    Run(pick, {}, &ok);
    EXPECT_FALSE(ok) << "nothing to pick from";
    Run(radius, {{5}, {1, 1}}, &ok);
    EXPECT_FALSE(ok) << "one operand only";
}

TEST_F(Particles, DebugWritesTheOperandsAsAStatusLine)
{
    FDebug debug;
    EXPECT_TRUE(Run(debug, {{1, 2}, {3}}).empty());
    ASSERT_EQ(recorder.status.size(), 1u);
    EXPECT_EQ(recorder.status[0], "Particle Values: (1.000000,2.000000) (3.000000) ");
}

TEST_F(Particles, TheStackNeverGrowsPastItsSlots)
{
    machine.Reset();
    const float one = 1;
    int pushed = 0;
    while (machine.Push(&one, 1))
        pushed++;
    EXPECT_EQ(pushed, TParticleMachineState::kSlots);
    // A result in the last slot would leave no next slot: refused.
    FPush<float> push(2.0f);
    machine.mFirstOperand = uint8_t(TParticleMachineState::kSlots - 1);
    machine.mOperandCount = 0;
    EXPECT_EQ(push.Process(particle, machine), 0);
    // Operands beyond the slots in use are refused.
    FAdd add;
    machine.Reset();
    machine.Push(&one, 1);
    machine.BeginInstruction(1);
    machine.mOperandCount = 2;
    EXPECT_EQ(add.Process(particle, machine), 0);
}

TEST_F(Particles, IdentityAndSizes)
{
    FAssign assign;
    FVec vec;
    FPush<TVec3> push3(TVec3(1, 2, 3));
    EXPECT_STREQ(assign.GetTypeName(), "FAssign");
    EXPECT_TRUE(assign.IsKindOf(FAssign::ClassId()));
    EXPECT_TRUE(assign.IsKindOf(TParticleFunction::ClassId()));
    EXPECT_FALSE(assign.IsKindOf(FVec::ClassId()));
    EXPECT_EQ(FAssign::ClassId(), reinterpret_cast<intptr_t>(&FAssignDynamicCreate));
    TParticleFunction* made = FTimeScaleDynamicCreate();
    EXPECT_STREQ(made->GetTypeName(), "FTimeScale");
    delete made;
    unsigned char widths[3] = {1, 1, 1};
    EXPECT_EQ(vec.GetReturnSize(3, widths), 3);
    EXPECT_EQ(push3.GetReturnSize(0, nullptr), 3);
    EXPECT_EQ(Run(push3, {}), (V{1, 2, 3}));
    EXPECT_STREQ(
        T2dParticleRenderer::GetLuaInitString(),
        "pPosition = Allocate(2);\npUp = Allocate(2);\npScale = Allocate(1);\npColor = Allocate(4);\n"
        "pFrame = Allocate(1);\n");
}

}  // namespace
