// The instruction set of a script-driven particle machine. Each operation is a small object
// whose step reads its operands from a per-particle value stack, computes, and leaves its result
// on that stack in place of its first operand. The particle system that would compile particle
// scripts into these instructions and run them is not part of this program; TLuaParticleSystem
// here holds only what the operations need of it (data sources, members, random numbers and
// the failure handler).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/task.h"
#include "foundation/random.h"
#include "foundation/str.h"
#include "foundation/vec.h"

class TLuaParticleSystem;

// One particle as the operations see it.
struct TParticleState
{
    float* mMembers = nullptr;  // the particle's member values
    unsigned mMemberCount = 0;  // how many floats mMembers holds
    uint32_t mAge = 0;          // milliseconds
    bool mAlive = true;
};

// The value stack of one particle's run. Slots hold 1 to 4 floats; slot k+1 starts where slot
// k ends.
struct TParticleMachineState
{
    static constexpr int kSlots = 256;
    static constexpr int kFloats = kSlots * 4;

    TLuaParticleSystem* mSystem = nullptr;
    float mValues[kFloats] = {};
    uint8_t mWidths[kSlots] = {};
    uint16_t mStarts[kSlots + 1] = {};
    unsigned mSlotsInUse = 0;
    uint8_t mFirstOperand = 0;
    uint8_t mNextFree = 0;
    uint8_t mOperandCount = 0;

    void Reset();
    // Appends a value in a new slot (what a compiled push does); false when it does not fit.
    bool Push(const float* values, int width);
    // Makes the last `count` slots the operands of the next instruction (count 0: the next
    // instruction writes at the next free slot).
    void BeginInstruction(int count);
    int Width(int slot) const { return mWidths[slot]; }
    const float* Slot(int slot) const { return mValues + mStarts[slot]; }
    // The instruction's result over its first operand slot; false (nothing written) when it
    // would not fit. Width 0 leaves no value: the operands are simply consumed.
    bool WriteResult(const float* values, int width);
};

// A value the particle system supplies per particle (its width and name are fixed).
class TParticleDataSource
{
public:
    virtual ~TParticleDataSource() {}
    virtual str GetName() const = 0;
    virtual unsigned GetWidth() const = 0;
    // Writes GetWidth() floats for the particle.
    virtual void GetValue(const TParticleState& particle, float* out) const = 0;
};

class TLuaParticleSystem
{
public:
    TLuaParticleSystem();
    virtual ~TLuaParticleSystem();

    // Adds a member of `width` floats; its first value index.
    unsigned Allocate(unsigned width);
    // The width of the member that starts at `index`, or 0 when none starts there.
    unsigned GetMemberWidth(unsigned index) const;

    // Takes ownership; the source's number is its position.
    int AddDataSource(TParticleDataSource* source);
    TParticleDataSource* GetDataSource(int number) const;
    TRandom& GetRandom() { return mRandom; }

    static void SetErrorHandler(TFailure* handler)
    {
        mFailureHandler = handler ? handler : &mDefaultFailureHandler;
    }
    static TFailure* mFailureHandler;
    static TFailure mDefaultFailureHandler;

private:
    std::vector<std::pair<unsigned, unsigned>> mMembers;  // first index, width
    unsigned mMemberCount = 0;
    std::vector<std::unique_ptr<TParticleDataSource>> mSources;
    TRandom mRandom;
};

// The layout the 2-D particle renderer declares before a particle script runs.
class TParticleRenderer
{
public:
    virtual ~TParticleRenderer() {}
};
class T2dParticleRenderer : public TParticleRenderer
{
public:
    static const char* GetLuaInitString();
};

class TParticleFunction
{
public:
    typedef TParticleFunction* (*TFactory)();
    virtual ~TParticleFunction() {}

    static intptr_t ClassId();
    virtual const char* GetTypeName() const { return "TParticleFunction"; }
    virtual bool IsKindOf(intptr_t id) const { return id == ClassId(); }
    // The width (0 to 4 floats) of the value the operation leaves for these operands.
    virtual int GetReturnSize(int argCount, unsigned char* argWidths) = 0;
    // 1 on success, 0 when the operands are not acceptable.
    virtual int Process(TParticleState& particle, TParticleMachineState& machine) = 0;

    str mName;
};

// Declares a particle function class with its factory "<Class>DynamicCreate" and class id.
#define QF_PARTICLE_FUNCTION(Class)                                                                          \
    class Class;                                                                                             \
    TParticleFunction* Class##DynamicCreate();                                                               \
    class Class : public TParticleFunction                                                                   \
    {                                                                                                        \
    public:                                                                                                  \
        static intptr_t ClassId() { return reinterpret_cast<intptr_t>(&Class##DynamicCreate); }              \
        const char* GetTypeName() const override { return #Class; }                                          \
        bool IsKindOf(intptr_t id) const override                                                            \
        {                                                                                                    \
            return id == ClassId() || TParticleFunction::IsKindOf(id);                                       \
        }                                                                                                    \
        int GetReturnSize(int argCount, unsigned char* argWidths) override;                                  \
        int Process(TParticleState& particle, TParticleMachineState& machine) override;

QF_PARTICLE_FUNCTION(FAssign)
}
;
QF_PARTICLE_FUNCTION(FAge)
}
;
QF_PARTICLE_FUNCTION(FTimeScale)
}
;
QF_PARTICLE_FUNCTION(FExpire)
}
;
QF_PARTICLE_FUNCTION(FVec)
}
;
QF_PARTICLE_FUNCTION(FAdd)
}
;
QF_PARTICLE_FUNCTION(FSub)
}
;
QF_PARTICLE_FUNCTION(FMul)
}
;
QF_PARTICLE_FUNCTION(FDiv)
}
;
QF_PARTICLE_FUNCTION(FUnm)
}
;
QF_PARTICLE_FUNCTION(FDistance)
}
;
QF_PARTICLE_FUNCTION(FLt)
}
;
QF_PARTICLE_FUNCTION(FLe)
}
;
QF_PARTICLE_FUNCTION(FVIndex)
}
;
QF_PARTICLE_FUNCTION(FIndex)
}
;
QF_PARTICLE_FUNCTION(FNewIndex)
}
;
QF_PARTICLE_FUNCTION(FRange)
}
;
QF_PARTICLE_FUNCTION(FPick)
}
;
QF_PARTICLE_FUNCTION(F2dRadius)
}
;
QF_PARTICLE_FUNCTION(F2dRotation)
}
;
QF_PARTICLE_FUNCTION(FAlpha)
}
;
QF_PARTICLE_FUNCTION(FFade)
}
;
QF_PARTICLE_FUNCTION(FDebug)
}
;
QF_PARTICLE_FUNCTION(FOpenCycle)
int mStep = 0;
}
;
QF_PARTICLE_FUNCTION(FClosedCycle)
int mStep = 0;
}
;
QF_PARTICLE_FUNCTION(FGetParticleParam)
uint16_t mSource = 0;
uint8_t mWidth = 1;
}
;

#undef QF_PARTICLE_FUNCTION

// Pushes a constant of 1 to 4 floats.
template <class T>
class FPush : public TParticleFunction
{
public:
    explicit FPush(const T& value = T()) : mValue(value) {}
    static TParticleFunction* DynamicCreate() { return new FPush<T>(); }
    static intptr_t ClassId() { return reinterpret_cast<intptr_t>(&FPush<T>::DynamicCreate); }
    const char* GetTypeName() const override { return "FPush"; }
    bool IsKindOf(intptr_t id) const override { return id == ClassId() || TParticleFunction::IsKindOf(id); }
    int GetReturnSize(int, unsigned char*) override { return int(sizeof(T) / sizeof(float)); }
    int Process(TParticleState&, TParticleMachineState& machine) override
    {
        if (machine.mOperandCount != 0)
            return 0;
        return machine.WriteResult(reinterpret_cast<const float*>(&mValue), int(sizeof(T) / sizeof(float)))
                   ? 1
                   : 0;
    }
    T mValue;
};
