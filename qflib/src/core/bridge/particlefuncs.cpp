// The operations of the script-driven particle machine.
#include "bridge/particlefuncs.h"

#include <algorithm>
#include <cmath>

#include "foundation/debug.h"

// ---------------------------------------------------------------------------------------------
// Machine state

void TParticleMachineState::Reset()
{
    mSlotsInUse = 0;
    mFirstOperand = 0;
    mNextFree = 0;
    mOperandCount = 0;
    mStarts[0] = 0;
}

bool TParticleMachineState::Push(const float* values, int width)
{
    const unsigned slot = mSlotsInUse;
    if (width < 1 || width > 4 || slot >= unsigned(kSlots) || mStarts[slot] + width > kFloats)
        return false;
    std::copy(values, values + width, mValues + mStarts[slot]);
    mWidths[slot] = uint8_t(width);
    mStarts[slot + 1] = uint16_t(mStarts[slot] + width);
    mSlotsInUse = slot + 1;
    mNextFree = uint8_t(mSlotsInUse < unsigned(kSlots) ? mSlotsInUse : kSlots - 1);
    return true;
}

void TParticleMachineState::BeginInstruction(int count)
{
    const int first = int(mSlotsInUse) - count;
    mFirstOperand = uint8_t(first < 0 ? 0 : std::min(first, kSlots - 1));
    mOperandCount = uint8_t(count < 0 ? 0 : std::min(count, kSlots - 1));
}

bool TParticleMachineState::WriteResult(const float* values, int width)
{
    const unsigned first = mFirstOperand;
    if (width == 0)
    {
        mSlotsInUse = first;
        mNextFree = uint8_t(first);
        return true;
    }
    // The slot after the result must still be addressable, and the floats must fit.
    if (width < 0 || width > 4 || first + 1 >= unsigned(kSlots) || mStarts[first] + width > kFloats)
        return false;
    float copy[4];
    std::copy(values, values + width, copy);  // the values may overlap the operands
    std::copy(copy, copy + width, mValues + mStarts[first]);
    mWidths[first] = uint8_t(width);
    mStarts[first + 1] = uint16_t(mStarts[first] + width);
    mSlotsInUse = first + 1;
    mFirstOperand = uint8_t(first + 1);
    mNextFree = uint8_t(first + 1);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Particle system (what the operations need of it)

TFailure TLuaParticleSystem::mDefaultFailureHandler;
TFailure* TLuaParticleSystem::mFailureHandler = &TLuaParticleSystem::mDefaultFailureHandler;

TLuaParticleSystem::TLuaParticleSystem() = default;
TLuaParticleSystem::~TLuaParticleSystem() = default;

unsigned TLuaParticleSystem::Allocate(unsigned width)
{
    const unsigned first = mMemberCount;
    mMembers.emplace_back(first, width);
    mMemberCount += width;
    return first;
}

unsigned TLuaParticleSystem::GetMemberWidth(unsigned index) const
{
    for (const auto& m : mMembers)
        if (m.first == index)
            return m.second;
    return 0;
}

int TLuaParticleSystem::AddDataSource(TParticleDataSource* source)
{
    mSources.emplace_back(source);
    return int(mSources.size()) - 1;
}

TParticleDataSource* TLuaParticleSystem::GetDataSource(int number) const
{
    return number >= 0 && size_t(number) < mSources.size() ? mSources[size_t(number)].get() : nullptr;
}

const char* T2dParticleRenderer::GetLuaInitString()
{
    return "pPosition = Allocate(2);\npUp = Allocate(2);\npScale = Allocate(1);\npColor = Allocate(4);\n"
           "pFrame = Allocate(1);\n";
}

intptr_t TParticleFunction::ClassId()
{
    return reinterpret_cast<intptr_t>(&TParticleFunction::ClassId);
}

// ---------------------------------------------------------------------------------------------
// Helpers

namespace
{

// The operands of the current instruction, checked against the slots in use.
struct Operands
{
    Operands(TParticleMachineState& m) : machine(m)
    {
        count = m.mOperandCount;
        valid = unsigned(m.mFirstOperand) + count <= m.mSlotsInUse;
    }
    int Width(int i) const { return machine.Width(machine.mFirstOperand + i); }
    const float* Value(int i) const { return machine.Slot(machine.mFirstOperand + i); }
    bool Is(int n) const { return valid && count == n; }
    TParticleMachineState& machine;
    int count;
    bool valid;
};

int Write(TParticleMachineState& m, const float* v, int width)
{
    return m.WriteResult(v, width) ? 1 : 0;
}

// A float index truncated toward zero, NaN and far values made harmless.
int64_t TruncIndex(float v)
{
    if (std::isnan(v))
        return 0;
    if (v > 1e9f)
        return 1000000000;
    if (v < -1e9f)
        return -1000000000;
    return int64_t(v);
}

// Uniform in [0, 1) with 53-bit resolution.
double Uniform53(TLuaParticleSystem* system)
{
    static TRandom fallback;
    TRandom& r = system ? system->GetRandom() : fallback;
    const uint32_t a = r.Rand32() >> 5;
    const uint32_t b = r.Rand32() >> 6;
    return (double(a) * 67108864.0 + double(b)) / 9007199254740992.0;
}

TFailure* Handler()
{
    return TLuaParticleSystem::mFailureHandler;
}

}  // namespace

#define QF_FACTORY(Class)                                                                                    \
    TParticleFunction* Class##DynamicCreate()                                                                \
    {                                                                                                        \
        return new Class();                                                                                  \
    }

QF_FACTORY(FAssign)
QF_FACTORY(FAge)
QF_FACTORY(FTimeScale)
QF_FACTORY(FExpire)
QF_FACTORY(FVec)
QF_FACTORY(FAdd)
QF_FACTORY(FSub)
QF_FACTORY(FMul)
QF_FACTORY(FDiv)
QF_FACTORY(FUnm)
QF_FACTORY(FDistance)
QF_FACTORY(FLt)
QF_FACTORY(FLe)
QF_FACTORY(FVIndex)
QF_FACTORY(FIndex)
QF_FACTORY(FNewIndex)
QF_FACTORY(FRange)
QF_FACTORY(FPick)
QF_FACTORY(F2dRadius)
QF_FACTORY(F2dRotation)
QF_FACTORY(FAlpha)
QF_FACTORY(FFade)
QF_FACTORY(FDebug)
QF_FACTORY(FOpenCycle)
QF_FACTORY(FClosedCycle)
QF_FACTORY(FGetParticleParam)

// ---------------------------------------------------------------------------------------------
// Operations

int FAssign::GetReturnSize(int, unsigned char*)
{
    return 0;
}
int FAssign::Process(TParticleState& p, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(3) || o.Width(1) != 1)
        return 0;
    const int w = o.Width(0);
    const int64_t index = TruncIndex(o.Value(1)[0]);
    if (index < 0 || !p.mMembers || index + w > int64_t(p.mMemberCount))
        return 0;
    std::copy(o.Value(0), o.Value(0) + w, p.mMembers + index);
    return Write(m, nullptr, 0);
}

int FAge::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FAge::Process(TParticleState& p, TParticleMachineState& m)
{
    if (m.mOperandCount != 0)
        return 0;
    const float age = float(p.mAge);
    return Write(m, &age, 1);
}

int FTimeScale::GetReturnSize(int n, unsigned char* w)
{
    return n == 1 ? w[0] : 0;
}
int FTimeScale::Process(TParticleState& p, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(1))
        return 0;
    float r[4];
    const int w = o.Width(0);
    for (int i = 0; i < w; i++)
        r[i] = o.Value(0)[i] * (float(p.mAge) / 1000.0f);
    return Write(m, r, w);
}

int FExpire::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FExpire::Process(TParticleState& p, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(1) || o.Width(0) != 1)
        return 0;
    float r = 0;
    if (o.Value(0)[0] != 0)
    {
        p.mAlive = false;
        r = 1;
    }
    return Write(m, &r, 1);
}

// The width the step writes (the operand count), so a compiler sizes the slot as it is filled.
int FVec::GetReturnSize(int n, unsigned char*)
{
    return n;
}
int FVec::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.valid || o.count < 1 || o.count > 4)
        return 0;
    float r[4];
    for (int i = 0; i < o.count; i++)
    {
        if (o.Width(i) != 1)
            return 0;
        r[i] = o.Value(i)[0];
    }
    return Write(m, r, o.count);
}

namespace
{

// Two operands of which the second is read with the first's width.
template <class Op>
int Componentwise(TParticleMachineState& m, Op op)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(1) < o.Width(0))
        return 0;
    const int w = o.Width(0);
    float r[4];
    for (int i = 0; i < w; i++)
        r[i] = op(o.Value(0)[i], o.Value(1)[i]);
    return Write(m, r, w);
}

// A vector and one value.
template <class Op>
int ByScalar(TParticleMachineState& m, Op op)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(1) != 1)
        return 0;
    const int w = o.Width(0);
    float r[4];
    for (int i = 0; i < w; i++)
        r[i] = op(o.Value(0)[i], o.Value(1)[0]);
    return Write(m, r, w);
}

template <class Op>
int Compare(TParticleMachineState& m, Op op)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(0) != 1 || o.Width(1) != 1)
        return 0;
    const float r = op(o.Value(0)[0], o.Value(1)[0]) ? 1.0f : 0.0f;
    return Write(m, &r, 1);
}

}  // namespace

int FAdd::GetReturnSize(int n, unsigned char* w)
{
    return n == 2 ? w[0] : 0;
}
int FAdd::Process(TParticleState&, TParticleMachineState& m)
{
    return Componentwise(m, [](float a, float b) { return a + b; });
}

int FSub::GetReturnSize(int n, unsigned char* w)
{
    return n == 2 ? w[0] : 0;
}
int FSub::Process(TParticleState&, TParticleMachineState& m)
{
    return Componentwise(m, [](float a, float b) { return a - b; });
}

int FMul::GetReturnSize(int n, unsigned char* w)
{
    return n == 2 ? w[0] : 0;
}
int FMul::Process(TParticleState&, TParticleMachineState& m)
{
    return ByScalar(m, [](float a, float b) { return a * b; });
}

int FDiv::GetReturnSize(int n, unsigned char* w)
{
    return n == 2 ? w[0] : 0;
}
int FDiv::Process(TParticleState&, TParticleMachineState& m)
{
    return ByScalar(m, [](float a, float b) { return a / b; });
}

int FUnm::GetReturnSize(int n, unsigned char* w)
{
    return n == 1 ? w[0] : 0;
}
int FUnm::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(1))
        return 0;
    float r[4];
    for (int i = 0; i < o.Width(0); i++)
        r[i] = -o.Value(0)[i];
    return Write(m, r, o.Width(0));
}

int FDistance::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FDistance::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(0) != o.Width(1))
        return 0;
    double sum = 0;
    for (int i = 0; i < o.Width(0); i++)
    {
        const double d = double(o.Value(0)[i]) - double(o.Value(1)[i]);
        sum += d * d;
    }
    const float r = float(std::sqrt(sum));
    return Write(m, &r, 1);
}

int FLt::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FLt::Process(TParticleState&, TParticleMachineState& m)
{
    return Compare(m, [](float a, float b) { return a < b; });
}

int FLe::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FLe::Process(TParticleState&, TParticleMachineState& m)
{
    return Compare(m, [](float a, float b) { return a <= b; });
}

int FVIndex::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FVIndex::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(1) != 1)
        return 0;
    int64_t i = TruncIndex(o.Value(1)[0]);
    if (i < 0)
        i = 0;
    if (i == 0 || i > o.Width(0))
        return 0;
    const float r = o.Value(0)[i - 1];
    return Write(m, &r, 1);
}

int FIndex::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FIndex::Process(TParticleState& p, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(0) != 1 || o.Width(1) != 1)
        return 0;
    const int64_t first = TruncIndex(o.Value(0)[0]);
    const int64_t i = TruncIndex(o.Value(1)[0]);
    if (first < 0)
    {
        TParticleDataSource* source = m.mSystem ? m.mSystem->GetDataSource(int(-first - 1)) : nullptr;
        if (!source)
            return 0;
        const unsigned width = std::min(source->GetWidth(), 4u);
        if (i < 1 || i > int64_t(width))
        {
            Handler()->Failure(str::getFormatted("Out of range parameter index [%d] when indexing %s", int(i),
                                                 source->GetName().c_str())
                                   .c_str(),
                               __LINE__, "luaparticlesystem");
            return 0;
        }
        float values[4] = {};
        source->GetValue(p, values);
        const float r = values[i - 1];
        return Write(m, &r, 1);
    }
    // A member: its own width when one starts there, else whatever the particle holds.
    const unsigned memberWidth = m.mSystem ? m.mSystem->GetMemberWidth(unsigned(first)) : 0;
    const int64_t limit = memberWidth ? int64_t(memberWidth) : int64_t(p.mMemberCount) - first;
    if (i < 1 || i > limit || !p.mMembers || first + i - 1 >= int64_t(p.mMemberCount))
    {
        Handler()->Failure(str::getFormatted("Out of range parameter index [%d]", int(i)).c_str(), __LINE__,
                           "luaparticlesystem");
        return 0;
    }
    const float r = p.mMembers[first + i - 1];
    return Write(m, &r, 1);
}

int FNewIndex::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FNewIndex::Process(TParticleState& p, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(3) || o.Width(0) != 1 || o.Width(1) != 1 || o.Width(2) != 1)
        return 0;
    const int64_t index = TruncIndex(o.Value(0)[0]) + TruncIndex(o.Value(1)[0]) - 1;
    if (index < 0 || !p.mMembers || index >= int64_t(p.mMemberCount))
        return 0;
    const float value = o.Value(2)[0];
    p.mMembers[index] = value;
    return Write(m, &value, 1);
}

int FRange::GetReturnSize(int n, unsigned char* w)
{
    return n == 2 ? w[0] : 0;
}
int FRange::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(2) || o.Width(0) != o.Width(1))
        return 0;
    float r[4];
    for (int i = 0; i < o.Width(0); i++)
    {
        const float u = float(Uniform53(m.mSystem));
        const float a = o.Value(0)[i], b = o.Value(1)[i];
        r[i] = a + (u < 1.0f ? u : 0.0f) * (b - a);
    }
    return Write(m, r, o.Width(0));
}

int FPick::GetReturnSize(int n, unsigned char* w)
{
    // Only when every operand has the same width can the result's width be known in advance.
    if (n < 1)
        return 0;
    for (int i = 1; i < n; i++)
        if (w[i] != w[0])
            return 0;
    return w[0];
}
int FPick::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.valid || o.count < 1)
        return 0;
    int pick = int(std::floor(Uniform53(m.mSystem) * o.count));
    pick = std::min(std::max(pick, 0), o.count - 1);
    float r[4];
    const int w = o.Width(pick);
    std::copy(o.Value(pick), o.Value(pick) + w, r);
    return Write(m, r, w);
}

int F2dRadius::GetReturnSize(int, unsigned char*)
{
    return 2;
}
int F2dRadius::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(1) || o.Width(0) != 1)
        return 0;
    const double angle = Uniform53(m.mSystem) * 2.0 * M_PI;
    const double radius = o.Value(0)[0];
    const float r[2] = {float(radius * std::cos(angle)), float(radius * std::sin(angle))};
    return Write(m, r, 2);
}

int F2dRotation::GetReturnSize(int, unsigned char*)
{
    return 2;
}
int F2dRotation::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(1) || o.Width(0) != 1)
        return 0;
    const float angle = o.Value(0)[0];
    const float r[2] = {std::cos(angle), std::sin(angle)};
    return Write(m, r, 2);
}

int FAlpha::GetReturnSize(int, unsigned char*)
{
    return 4;
}
int FAlpha::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.Is(2) || (o.Width(0) != 3 && o.Width(0) != 4) || o.Width(1) != 1)
        return 0;
    const float r[4] = {o.Value(0)[0], o.Value(0)[1], o.Value(0)[2], o.Value(1)[0]};
    return Write(m, r, 4);
}

namespace
{

// The first component of a + (b - a) step / divisor; the step then advances and wraps at n.
int Cycle(TParticleMachineState& m, int* step, bool closed)
{
    Operands o(m);
    if (!o.Is(3) || o.Width(0) != o.Width(1) || o.Width(2) != 1)
        return 0;
    const int64_t n = TruncIndex(o.Value(2)[0]);
    if (n < (closed ? 2 : 1))
        return 0;
    if (*step < 0 || *step >= n)
        *step = 0;
    const float a = o.Value(0)[0], b = o.Value(1)[0];
    const float r = a + (b - a) * float(*step) / float(closed ? n - 1 : n);
    *step = *step + 1 >= n ? 0 : *step + 1;
    return Write(m, &r, 1);
}

}  // namespace

int FOpenCycle::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FOpenCycle::Process(TParticleState&, TParticleMachineState& m)
{
    return Cycle(m, &mStep, false);
}

int FClosedCycle::GetReturnSize(int, unsigned char*)
{
    return 1;
}
int FClosedCycle::Process(TParticleState&, TParticleMachineState& m)
{
    return Cycle(m, &mStep, true);
}

// A piecewise-linear fade: the time, clamped to 0..1, runs over evenly spaced key values.
int FFade::GetReturnSize(int n, unsigned char* w)
{
    return n >= 2 ? w[1] : 0;
}
int FFade::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.valid || o.count < 2 || o.Width(0) != 1)
        return 0;
    const int w = o.Width(1);
    for (int k = 2; k < o.count; k++)
        if (o.Width(k) != w)
            return 0;
    const int keys = o.count - 1;
    float t = o.Value(0)[0];
    if (std::isnan(t) || t < 0)
        t = 0;
    if (t > 1)
        t = 1;
    float r[4];
    if (keys == 1)
    {
        std::copy(o.Value(1), o.Value(1) + w, r);
        return Write(m, r, w);
    }
    const float position = t * float(keys - 1);
    int k = int(position);
    if (k >= keys - 1)
        k = keys - 2;
    const float f = position - float(k);
    for (int i = 0; i < w; i++)
        r[i] = o.Value(1 + k)[i] + (o.Value(2 + k)[i] - o.Value(1 + k)[i]) * f;
    return Write(m, r, w);
}

int FDebug::GetReturnSize(int, unsigned char*)
{
    return 0;
}
int FDebug::Process(TParticleState&, TParticleMachineState& m)
{
    Operands o(m);
    if (!o.valid)
        return 0;
    str text("Particle Values: ");
    for (int i = 0; i < o.count; i++)
    {
        text += str("(");
        for (int c = 0; c < o.Width(i); c++)
        {
            if (c)
                text += str(",");
            text += str::getFormatted("%f", double(o.Value(i)[c]));
        }
        text += str(") ");
    }
    Handler()->Status(text.c_str());
    return Write(m, nullptr, 0);
}

int FGetParticleParam::GetReturnSize(int, unsigned char*)
{
    return mWidth;
}
int FGetParticleParam::Process(TParticleState& p, TParticleMachineState& m)
{
    if (m.mOperandCount != 0 || mWidth < 1 || mWidth > 4)
        return 0;
    TParticleDataSource* source = m.mSystem ? m.mSystem->GetDataSource(mSource) : nullptr;
    if (!source || source->GetWidth() != mWidth)
        return 0;
    float values[4] = {};
    source->GetValue(p, values);
    return Write(m, values, mWidth);
}
