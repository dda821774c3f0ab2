// Feeds arbitrary native event sequences (keys with any text, mouse, wheel, window events) through
// the event translation in every mode and checks its promises: every event yields at least one
// record, and only record types the platform makes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/translate.h"

namespace
{

struct Reader
{
    const uint8_t* p;
    size_t n;
    uint8_t Byte()
    {
        if (!n)
            return 0;
        --n;
        return *p++;
    }
    int32_t Signed16() { return int16_t(uint16_t(Byte()) | uint16_t(Byte()) << 8); }
};

bool PlatformMakes(int32_t type)
{
    switch (type)
    {
    case 1:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 11:
    case 12:
    case 13:
    case 14:
    case 18:
    case 19: return true;
    default: return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Reader r{data, size};
    TTranslateState st;
    uint8_t flags = r.Byte();
    st.mCursorMode = flags & 1;
    st.mFlashPlaying = flags & 2;
    st.mPelloryUnicode = flags & 4;
    st.mQFUnicode = flags & 8;
    st.mFullscreen = flags & 16;
    while (r.n)
    {
        TNativeEvent e;
        e.mKind = TNativeEvent::EKind(r.Byte() % (TNativeEvent::kWindowResized + 1));
        e.mKey = TNativeEvent::EKey(r.Byte() % (TNativeEvent::kKeyFunctionOther + 1));
        e.mScancode = r.Byte();
        e.mKeyChar = uint32_t(r.Signed16()) & 0x1FFFFF;
        e.mModifiers = r.Byte() & 7;
        e.mButton = r.Byte() % 8;
        e.mAxis = r.Byte() % 3;
        e.mDelta = r.Signed16();
        e.mX = r.Signed16();
        e.mY = r.Signed16();
        e.mDX = r.Signed16();
        e.mDY = r.Signed16();
        size_t textLength = r.Byte() % 16;
        for (size_t i = 0; i < textLength && r.n; ++i)
            e.mText += char(r.Byte());
        TTranslation t = TranslateNativeEvent(e, st);
        if (t.mRecords.empty())
            abort();
        for (const TEvent& record : t.mRecords)
        {
            if (!PlatformMakes(record.mType))
                abort();
            if (record.mModifiers & ~7u)
                abort();
        }
        if (st.mPendingHighSurrogate &&
            (st.mPendingHighSurrogate < 0xD800 || st.mPendingHighSurrogate > 0xDBFF))
            abort();
    }
    return 0;
}
