// str: the framework's shared UTF-8 string.
#include "foundation/str.h"

#include <cassert>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <new>

namespace
{
const unsigned int kMinCapacity = 16;
const unsigned int kFormatBuffer = 4096;

unsigned int MaxU(unsigned int a, unsigned int b)
{
    return a > b ? a : b;
}

// Every buffer the class allocates is zero-filled, so bytes past the terminator never hold
// uninitialised memory.
char* AllocText(unsigned int capacity)
{
    char* text = static_cast<char*>(calloc(capacity, 1));
    if (!text)
        throw std::bad_alloc();
    return text;
}

// Numbers are formatted in the "C" locale whatever the process locale is.
locale_t CLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    return loc;
}

class CLocaleScope
{
public:
    CLocaleScope() : mOld(CLocale() ? uselocale(CLocale()) : static_cast<locale_t>(0)) {}
    ~CLocaleScope()
    {
        if (mOld)
            uselocale(mOld);
    }

private:
    locale_t mOld;
};

inline unsigned char Upper(unsigned char c)
{
    return static_cast<unsigned char>(toupper(c));
}
}  // namespace

str::TStringData* str::NewRecord(unsigned int capacity)
{
    TStringData* d = static_cast<TStringData*>(malloc(sizeof(TStringData)));
    if (!d)
        throw std::bad_alloc();
    d->text = AllocText(capacity);
    d->refs = 1;
    d->capacity = capacity;
    return d;
}

str::str(const char* text)
{
    if (!text)
    {
        mData = NewRecord(kMinCapacity);
        return;
    }
    size_t n = strlen(text);
    mData = NewRecord(static_cast<unsigned int>(n + 1));
    memcpy(mData->text, text, n);
}

str::str(const char* p, unsigned long n)
{
    if (n > 0xFFFFFFFEul)
        n = 0xFFFFFFFEul;  // capacities are 32-bit
    mData = NewRecord(MaxU(static_cast<unsigned int>(n + 1), kMinCapacity));
    if (p && n)
        memcpy(mData->text, p, n);
}

str::str(const str& other) : mData(other.mData)
{
    if (mData)
        ++mData->refs;
}

str::~str()
{
    Release();
}

void str::Release()
{
    if (mData && --mData->refs == 0)
    {
        free(mData->text);
        free(mData);
    }
    mData = nullptr;
}

str& str::operator=(const str& other)
{
    if (other.mData == mData)
        return *this;
    if (other.mData)
        ++other.mData->refs;
    Release();
    mData = other.mData;
    return *this;
}

str& str::operator=(str&& other) noexcept
{
    if (this != &other)
    {
        Release();
        mData = other.mData;
        other.mData = nullptr;
    }
    return *this;
}

str& str::operator=(const char* text)
{
    *this = str(text);
    return *this;
}

void str::_reserve(unsigned int n)
{
    TStringData* d = NewRecord(MaxU(n, kMinCapacity));
    if (mData)
    {
        // Copy up to the old capacity, but never beyond the new one; keep the terminator.
        unsigned int copy = mData->capacity < d->capacity ? mData->capacity : d->capacity;
        memcpy(d->text, mData->text, copy);
        d->text[d->capacity - 1] = 0;
    }
    Release();
    mData = d;
}

void str::MakePrivate()
{
    if (mData && mData->refs >= 2)
    {
        size_t n = strlen(mData->text);
        TStringData* d = NewRecord(static_cast<unsigned int>(n + 1));
        memcpy(d->text, mData->text, n);
        Release();
        mData = d;
    }
}

unsigned int str::length() const
{
    return mData ? static_cast<unsigned int>(strlen(mData->text)) : 0;
}

const char* str::c_str() const
{
    return mData ? mData->text : "";
}

signed char str::operator[](unsigned int i) const
{
    if (!mData || i >= length())
        return 0;
    return static_cast<signed char>(mData->text[i]);
}

int str::to_int() const
{
    if (!mData)
        return 0;
    // atoi semantics, but an out-of-range number saturates instead of being undefined.
    long v = strtol(mData->text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return static_cast<int>(v);
}

int str::compare(const str& other) const
{
    if (mData == other.mData)
        return 0;
    const char* a = c_str();
    const char* b = other.c_str();
    int r = strcmp(a, b);  // strcmp compares the bytes as unsigned char
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

str str::substr(unsigned int start, int count) const
{
    unsigned int len = length();
    if (start >= len || count == 0)
        return str();
    unsigned int avail = len - start;
    unsigned int n =
        (count < 0 || static_cast<unsigned int>(count) > avail) ? avail : static_cast<unsigned int>(count);
    return str(mData->text + start, n);
}

str str::operator+(char c) const
{
    unsigned int len = length();
    str r;
    r._reserve(len + 2);
    if (len)
        memcpy(r.mData->text, mData->text, len);
    r.mData->text[len] = c;
    r.mData->text[len + 1] = 0;
    return r;
}

str str::operator+(const str& other) const
{
    unsigned int a = length();
    unsigned int b = other.length();
    str r;
    r._reserve(a + b + 1);
    if (a)
        memcpy(r.mData->text, mData->text, a);
    if (b)
        memcpy(r.mData->text + a, other.mData->text, b);
    r.mData->text[a + b] = 0;
    return r;
}

unsigned int str::find(char c, unsigned int flags, unsigned int start) const
{
    unsigned int len = length();
    if (!mData || start >= len)
        return npos;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(mData->text);
    bool nocase = (flags & kIgnoreCase) != 0;
    unsigned char want = nocase ? Upper(static_cast<unsigned char>(c)) : static_cast<unsigned char>(c);
    if (flags & kBackwards)
    {
        for (unsigned int i = len - 1 - start + 1; i-- > 0;)
        {
            unsigned char b = nocase ? Upper(t[i]) : t[i];
            if (b == want)
                return i;
        }
        return npos;
    }
    for (unsigned int i = start; i < len; ++i)
    {
        unsigned char b = nocase ? Upper(t[i]) : t[i];
        if (b == want)
            return i;
    }
    return npos;
}

unsigned int str::find(str pattern, unsigned int flags, unsigned int start) const
{
    long long L = length();
    long long P = pattern.length();
    if (!mData || start >= L)
        return npos;
    bool back = (flags & kBackwards) != 0;
    bool nocase = (flags & kIgnoreCase) != 0;
    long long first = back ? L - P - start : static_cast<long long>(start);
    if (first < 0 || first >= L)
        return npos;
    if (P == 0)
        return static_cast<unsigned int>(first);
    const unsigned char* t = reinterpret_cast<const unsigned char*>(mData->text);
    const unsigned char* p = reinterpret_cast<const unsigned char*>(pattern.c_str());
    auto matchAt = [&](long long at)
    {
        for (long long k = 0; k < P; ++k)
        {
            unsigned char a = t[at + k];
            unsigned char b = p[k];
            if (nocase ? Upper(a) != Upper(b) : a != b)
                return false;
        }
        return true;
    };
    if (back)
    {
        for (long long at = first; at >= 0; --at)
            if (matchAt(at))
                return static_cast<unsigned int>(at);
        return npos;
    }
    if (!nocase)
    {
        // memmem is the same byte-exact search, only faster.
        const void* hit = memmem(t + first, static_cast<size_t>(L - first), p, static_cast<size_t>(P));
        return hit ? static_cast<unsigned int>(static_cast<const unsigned char*>(hit) - t) : npos;
    }
    for (long long at = first; at <= L - P; ++at)
        if (matchAt(at))
            return static_cast<unsigned int>(at);
    return npos;
}

str& str::operator+=(const str& other)
{
    str keep(other);  // other may be this string or share its record
    MakePrivate();
    unsigned int len = length();
    unsigned int add = keep.length();
    if (add == 0)
    {
        if (!mData)
            _reserve(1);  // appending "" still leaves a string with a record
        return *this;
    }
    if (!mData || len + add + 1 > mData->capacity)
        _reserve(len + add + 1);
    memcpy(mData->text + len, keep.c_str(), add);
    mData->text[len + add] = 0;
    return *this;
}

str& str::operator+=(char c)
{
    // Same growth as appending a one-byte string, without building one.
    if (c == 0)
        return *this += str();
    MakePrivate();
    unsigned int len = length();
    if (!mData || len + 2 > mData->capacity)
        _reserve(len + 2);
    mData->text[len] = c;
    mData->text[len + 1] = 0;
    return *this;
}

unsigned int str::overlay(int pos, const char* data, unsigned int n, bool terminate)
{
    unsigned int len = length();
    if (pos < 0)
        pos = static_cast<int>(len);
    assert(static_cast<unsigned int>(pos) <= len && "overlay past the end of the text");
    if (static_cast<unsigned int>(pos) > len)
        pos = static_cast<int>(len);

    // The source may lie inside our own buffer, which the steps below may replace.
    str keep;
    if (mData && data >= mData->text && data < mData->text + mData->capacity)
    {
        keep = str(data, n);
        data = keep.c_str();
    }

    MakePrivate();
    unsigned int need = static_cast<unsigned int>(pos) + n + 1;
    if (!mData)
        _reserve(need);
    else if (need > mData->capacity)
    {
        unsigned long long cap = mData->capacity;
        while (cap < need)
            cap *= 2;
        _reserve(static_cast<unsigned int>(cap > 0xFFFFFFFFull ? need : cap));
    }
    if (n)
        memcpy(mData->text + pos, data, n);
    // A write that runs past the old end must leave the text terminated even without the flag.
    if (terminate || static_cast<unsigned int>(pos) + n > len)
        mData->text[pos + n] = 0;
    return static_cast<unsigned int>(pos) + n;
}

str& str::replace(str what, str with, unsigned int flags, unsigned int start)
{
    unsigned int wlen = what.length();
    if (!mData || wlen == 0)
        return *this;  // an empty pattern would match everywhere and never finish
    unsigned int rlen = with.length();
    bool back = (flags & kBackwards) != 0;
    unsigned int pos = find(what, flags, start);
    while (pos != npos)
    {
        MakePrivate();
        unsigned int len = length();
        unsigned int newLen = len - wlen + rlen;
        if (newLen + 1 > mData->capacity)
            _reserve(newLen + 1);
        char* t = mData->text;
        memmove(t + pos + rlen, t + pos + wlen, len - pos - wlen + 1);
        if (rlen)
            memcpy(t + pos, with.c_str(), rlen);
        if (!(flags & kReplaceAll))
            break;
        if (back)
        {
            // Continue before the replaced text: the first candidate is pos - wlen.
            if (pos < wlen)
                break;
            unsigned int next = newLen - pos;
            pos = find(what, flags, next);
        }
        else
            pos = find(what, flags, pos + rlen);
    }
    return *this;
}

str& str::downcase()
{
    if (!mData)
        return *this;
    MakePrivate();
    for (char* p = mData->text; *p; ++p)
        *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    return *this;
}

void str::erase(unsigned int start, int count)
{
    unsigned int len = length();
    if (start >= len)
        return;
    MakePrivate();
    char* t = mData->text;
    unsigned int avail = len - start;
    if (count < 0 || static_cast<unsigned int>(count) >= avail)
    {
        t[start] = 0;
        return;
    }
    memmove(t + start, t + start + count, avail - count + 1);
}

str str::getFormattedV(const char* format, va_list args)
{
    if (!format)
        return str("");
    CLocaleScope cLocale;
    char local[kFormatBuffer];
    va_list again;
    va_copy(again, args);
    int n = vsnprintf(local, sizeof local, format, args);
    str r;
    if (n < 0)
        r = str("");
    else if (n > static_cast<int>(kFormatBuffer) - 1)
    {
        r._reserve(static_cast<unsigned int>(n) + 1);
        vsnprintf(r.mData->text, static_cast<size_t>(n) + 1, format, again);
    }
    else
        r = str(local);
    va_end(again);
    return r;
}

str str::getFormatted(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    str r = getFormattedV(format, args);
    va_end(args);
    return r;
}

void str::format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    *this = getFormattedV(format, args);
    va_end(args);
}

unsigned int str::to_utf32(const char* p)
{
    if (!p)
        return 0;
    const unsigned char* s = reinterpret_cast<const unsigned char*>(p);
    unsigned int b = s[0];
    if (b == 0)
        return 0;
    if (b < 0x80)
        return b;
    if (b < 0xC0)
        return 0;
    int count;
    unsigned int offset;
    if (b < 0xE0)
    {
        count = 2;
        offset = 0x3080u;
    }
    else if (b < 0xF0)
    {
        count = 3;
        offset = 0xE2080u;
    }
    else
    {
        count = 4;
        offset = 0x3C82080u;
    }
    unsigned int value = b;
    for (int i = 1; i < count; ++i)
    {
        // Each byte is tested before the next is read, so a sequence cut short by the
        // terminating zero stops there.
        unsigned int c = s[i];
        if (!(c & 0x80))
            return 0;
        value = value * 64 + c;
    }
    return value - offset;
}

str str::from_utf32(unsigned int c)
{
    int v = static_cast<int>(c);
    char buf[4];
    unsigned int n;
    if (v < 0)
        return str();
    if (v <= 0x7F)
    {
        buf[0] = static_cast<char>(v);
        n = 1;
    }
    else if (v <= 0x7FF)
    {
        buf[0] = static_cast<char>(0xC0 | (v >> 6));
        buf[1] = static_cast<char>(0x80 | (v & 0x3F));
        n = 2;
    }
    else if (v <= 0xFFFF)
    {
        if (v == 0xFFFE || v == 0xFEFF || v == 0xFFFF)
            return str();
        buf[0] = static_cast<char>(0xE0 | (v >> 12));
        buf[1] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        buf[2] = static_cast<char>(0x80 | (v & 0x3F));
        n = 3;
    }
    else if (v <= 0x10FFFF)
    {
        buf[0] = static_cast<char>(0xF0 | (v >> 18));
        buf[1] = static_cast<char>(0x80 | ((v >> 12) & 0x3F));
        buf[2] = static_cast<char>(0x80 | ((v >> 6) & 0x3F));
        buf[3] = static_cast<char>(0x80 | (v & 0x3F));
        n = 4;
    }
    else
        return str();
    str r;
    r._reserve(n + 1);
    memcpy(r.mData->text, buf, n);
    return r;
}

size_t std::hash<str>::operator()(const str& s) const noexcept
{
    // FNV-1a over the bytes.
    size_t h = 1469598103934665603ull;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(s.c_str()); *p; ++p)
        h = (h ^ *p) * 1099511628211ull;
    return h;
}
