// Replays its input as operations on two text edits (one 8-bit with a password, one UTF-8 with
// ignored characters) and on the particle machine. The text edits must keep their cursor on a
// character boundary within the text and within their length limits; the particle operations
// must never read or write outside the stack or the particle.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bridge/particlefuncs.h"
#include "bridge/texteditwindow.h"
#include "window/windowstyle.h"

namespace
{

class Input
{
public:
    Input(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
    bool More() const { return mPos < mSize; }
    uint8_t Byte() { return mPos < mSize ? mData[mPos++] : 0; }
    std::string Bytes(size_t n)
    {
        std::string out;
        while (n-- > 0 && More())
            out += char(Byte());
        return out;
    }
    float Float()
    {
        static const float kValues[] = {0,  1,  -1,    0.5f,   2,      3,   4,
                                        10, -7, 1e30f, -1e30f, 1e-30f, NAN, INFINITY};
        return kValues[Byte() % (sizeof kValues / sizeof kValues[0])];
    }

private:
    const uint8_t* mData;
    size_t mSize;
    size_t mPos = 0;
};

class Style : public TWindowStyle
{
public:
    Style(bool utf8, bool password, const char* ignore, double length)
        : mUtf8(utf8), mPassword(password), mIgnore(ignore), mLength(length)
    {
    }
    double GetNumber(const str& key, double d) const override
    {
        if (key == str("w"))
            return 120;
        if (key == str("h"))
            return 20;
        if (key == str("length"))
            return mLength;
        return d;
    }
    bool GetBool(const str& key, bool d) const override
    {
        if (key == str("utf8"))
            return mUtf8;
        if (key == str("password"))
            return mPassword;
        return d;
    }
    str GetString(const str& key, const str& d) const override
    {
        if (key == str("ignore"))
            return str(mIgnore);
        if (key == str("label"))
            return str("start");
        return d;
    }

private:
    bool mUtf8, mPassword;
    const char* mIgnore;
    double mLength;
};

std::string gClip;
str Clip()
{
    return str(gClip.data(), (unsigned long)gClip.size());
}

// Well-formed UTF-8 by lead and continuation bytes.
bool WellFormed(const str& text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.c_str());
    const unsigned length = text.length();
    for (unsigned i = 0; i < length;)
    {
        const unsigned n = p[i] >= 0xF0            ? 4
                           : p[i] >= 0xE0          ? 3
                           : p[i] >= 0xC0          ? 2
                           : (p[i] & 0xC0) == 0x80 ? 0
                                                   : 1;
        if (n == 0 || i + n > length)
            return false;
        for (unsigned k = 1; k < n; k++)
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
        i += n;
    }
    return true;
}

// The cursor stays within the text, and on a character boundary while the text is well formed
// (a text set from outside may be anything; typing keeps well-formed text well formed).
void Check(TTextEdit& e)
{
    const str text = e.GetText();
    const unsigned cursor = e.GetCursor();
    if (cursor > text.length())
        abort();
    if (WellFormed(text) && cursor < text.length() &&
        (static_cast<unsigned char>(text.c_str()[cursor]) & 0xC0) == 0x80)
        abort();
}

void RunEdits(Input& in)
{
    TTextEdit::SetClipboardReader(&Clip);
    Style plainStyle(false, true, "", 8);
    Style wideStyle(true, false, "q\xC3\xA9", 12);
    TTextEdit plain, wide;
    plain.Init(plainStyle);
    wide.Init(wideStyle);
    for (int step = 0; step < 400 && in.More(); step++)
    {
        const uint8_t op = in.Byte();
        TTextEdit& e = (op & 1) ? wide : plain;
        switch ((op >> 1) % 6)
        {
        case 0:
        case 1:
        {
            const std::string ch = in.Bytes(1 + in.Byte() % 4);
            e.OnUTF8Char(str(ch.data(), (unsigned long)ch.size()));
            break;
        }
        case 2: e.OnChar(char(in.Byte())); break;
        case 3: e.OnKeyDown(char(in.Byte()), in.Byte() & 15); break;
        case 4:
        {
            const std::string t = in.Bytes(in.Byte() % 24);
            e.SetText(str(t.data(), (unsigned long)t.size()));
            break;
        }
        case 5:
            gClip = in.Bytes(in.Byte() % 40);
            e.OnKeyDown('V', 2);
            break;
        }
        Check(plain);
        Check(wide);
    }
    TTextEdit::SetClipboardReader(nullptr);
}

struct Source : TParticleDataSource
{
    str GetName() const override { return str("src"); }
    unsigned GetWidth() const override { return 3; }
    void GetValue(const TParticleState&, float* out) const override { out[0] = out[1] = out[2] = 1; }
};

struct Quiet : TFailure
{
    void Failure(const char*, int, const char*) override {}
    void Status(const char*) override {}
};

void RunParticles(Input& in)
{
    Quiet quiet;
    TLuaParticleSystem::SetErrorHandler(&quiet);
    TLuaParticleSystem system;
    system.Allocate(2);
    system.Allocate(4);
    system.AddDataSource(new Source());
    std::vector<float> members(6, 0);
    TParticleState particle;
    particle.mMembers = members.data();
    particle.mMemberCount = unsigned(members.size());
    particle.mAge = 1234;
    TParticleMachineState machine;
    machine.mSystem = &system;
    machine.Reset();

    std::vector<std::unique_ptr<TParticleFunction>> functions;
    for (TParticleFunction::TFactory f : {FAssignDynamicCreate,      FAgeDynamicCreate,
                                          FTimeScaleDynamicCreate,   FExpireDynamicCreate,
                                          FVecDynamicCreate,         FAddDynamicCreate,
                                          FSubDynamicCreate,         FMulDynamicCreate,
                                          FDivDynamicCreate,         FUnmDynamicCreate,
                                          FDistanceDynamicCreate,    FLtDynamicCreate,
                                          FLeDynamicCreate,          FVIndexDynamicCreate,
                                          FIndexDynamicCreate,       FNewIndexDynamicCreate,
                                          FRangeDynamicCreate,       FPickDynamicCreate,
                                          F2dRadiusDynamicCreate,    F2dRotationDynamicCreate,
                                          FAlphaDynamicCreate,       FFadeDynamicCreate,
                                          FDebugDynamicCreate,       FOpenCycleDynamicCreate,
                                          FClosedCycleDynamicCreate, FGetParticleParamDynamicCreate})
        functions.emplace_back(f());

    for (int step = 0; step < 600 && in.More(); step++)
    {
        const uint8_t op = in.Byte();
        if (op < 96)
        {
            float v[4];
            const int w = 1 + op % 4;
            for (int i = 0; i < w; i++)
                v[i] = in.Float();
            machine.Push(v, w);
        }
        else if (op < 104)
        {
            machine.Reset();
        }
        else
        {
            TParticleFunction& f = *functions[in.Byte() % functions.size()];
            machine.BeginInstruction(in.Byte() % 7);
            f.Process(particle, machine);
        }
        if (machine.mSlotsInUse > unsigned(TParticleMachineState::kSlots))
            abort();
    }
    TLuaParticleSystem::SetErrorHandler(nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Input in(data, size);
    if (in.Byte() & 1)
        RunParticles(in);
    else
        RunEdits(in);
    return 0;
}
