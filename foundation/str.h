// The framework's one text type: zero-terminated UTF-8 bytes in a reference-counted buffer that
// copies share; every change first makes the buffer private (copy-on-write).
//
// Lengths, indices and offsets are bytes, never characters. The ordering (operator<) is the
// byte-wise strcmp order, which is the key order of every string-keyed map in the system.
//
// Reference counts are plain integers: a str and every str sharing its record belong to one
// thread at a time. Hand another thread a private copy (str(s.c_str())).
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <functional>

class str
{
public:
    // The shared buffer record. text is malloc'd and zero-terminated; capacity counts the
    // terminating zero; refs counts the str values holding the record.
    struct TStringData
    {
        char* text;
        int32_t refs;
        uint32_t capacity;
    };

    // find/replace flag bits.
    enum : unsigned int
    {
        kIgnoreCase = 1,  // compare bytes through toupper
        kReplaceAll = 2,  // replace: every occurrence, not only the first
        kBackwards = 4,   // search from the end; start counts positions skipped from the end
    };

    // find's "not found" result. Deliberately 32 bits: compare against this, not size_t(-1).
    static constexpr unsigned int npos = 0xFFFFFFFFu;

    // Construction, assignment, destruction.
    str() : mData(nullptr) {}
    str(const char* text);                // private copy; null gives a 16-byte ""
    str(const char* p, unsigned long n);  // exactly n bytes, then a zero
    str(const str& other);                // shares the record
    str(str&& other) noexcept : mData(other.mData) { other.mData = nullptr; }
    ~str();
    str& operator=(const str& other);
    str& operator=(str&& other) noexcept;
    str& operator=(const char* text);

    // Replaces the record by a new private one of capacity max(n, 16) holding the old text.
    void _reserve(unsigned int n);

    // Reading.
    unsigned int length() const;
    bool empty() const { return length() == 0; }
    const char* c_str() const;
    signed char operator[](unsigned int i) const;          // 0 past the end
    int to_int() const;                                    // atoi of the text, clamped to int
    int compare(const str& other) const;                   // <0, 0, >0 as strcmp (unsigned bytes)
    str substr(unsigned int start, int count = -1) const;  // count -1: to the end
    str operator+(char c) const;
    str operator+(const str& other) const;

    // Searching: byte offset of the first match, or npos.
    unsigned int find(char c, unsigned int flags = 0, unsigned int start = 0) const;
    unsigned int find(str pattern, unsigned int flags = 0, unsigned int start = 0) const;

    // Changing.
    str& operator+=(const str& other);
    str& operator+=(char c);
    // Writes n bytes at pos (-1: at the end); returns pos + n. pos must not lie past the end.
    unsigned int overlay(int pos, const char* data, unsigned int n, bool terminate);
    str& replace(str what, str with, unsigned int flags = 0, unsigned int start = 0);
    str& downcase();
    void erase(unsigned int start, int count = -1);

    // Formatting, printf-style, always in the "C" locale.
    static str getFormattedV(const char* format, va_list args);
    static str getFormatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
    void format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Code points. to_utf32 decodes the one sequence at p (0 when invalid or cut short);
    // from_utf32 encodes c (empty for values it refuses).
    static unsigned int to_utf32(const char* p);
    static str from_utf32(unsigned int c);

    // Introspection of the record, for tests and diagnostics.
    bool _hasRecord() const { return mData != nullptr; }
    int _refs() const { return mData ? mData->refs : 0; }
    unsigned int _capacity() const { return mData ? mData->capacity : 0; }

private:
    void Release();
    void MakePrivate();
    static TStringData* NewRecord(unsigned int capacity);

    TStringData* mData;
};

inline bool operator==(const str& a, const str& b)
{
    return a.compare(b) == 0;
}
inline bool operator!=(const str& a, const str& b)
{
    return a.compare(b) != 0;
}
inline bool operator<(const str& a, const str& b)
{
    return a.compare(b) < 0;
}
inline bool operator>(const str& a, const str& b)
{
    return a.compare(b) > 0;
}
inline bool operator<=(const str& a, const str& b)
{
    return a.compare(b) <= 0;
}
inline bool operator>=(const str& a, const str& b)
{
    return a.compare(b) >= 0;
}
inline str operator+(const char* a, const str& b)
{
    return str(a) + b;
}

namespace std
{
template <>
struct hash<str>
{
    size_t operator()(const str& s) const noexcept;
};
}  // namespace std
