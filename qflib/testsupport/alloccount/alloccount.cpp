// The counting allocator. operator new and its variants go to malloc and are counted here
// themselves under the address sanitizer; elsewhere malloc, calloc and realloc are replaced by
// forwards to the C library's own entry points, and those count every allocation, C++ or not.
#include "alloccount.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <new>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QF_ALLOC_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QF_ALLOC_SANITIZED 1
#endif

namespace
{

const int kMaxFrames = 12;
const int kMaxSites = 4096;

struct TSite
{
    void* frames[kMaxFrames];
    int depth;
};

thread_local bool tCounting = false;
thread_local bool tInside = false;  // taking a stack allocates once (the unwinder's loading)
thread_local unsigned long long tCount = 0;
bool gSites = false;
TSite gSiteBuffer[kMaxSites];
int gSiteCount = 0;

void Note()
{
    if (!tCounting || tInside)
        return;
    ++tCount;
    if (gSites && gSiteCount < kMaxSites)
    {
        tInside = true;
        TSite& s = gSiteBuffer[gSiteCount++];
        s.depth = backtrace(s.frames, kMaxFrames);
        tInside = false;
    }
}

std::string FrameName(void* address)
{
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_sname)
    {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%p", address);
        if (info.dli_fname)
            return std::string(buffer) + " (" + info.dli_fname + ")";
        return buffer;
    }
    int status = 0;
    char* demangled = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : info.dli_sname;
    std::free(demangled);
    // Parameter lists make the lines long and say little here.
    const size_t paren = name.find('(');
    if (paren != std::string::npos && paren > 0)
        name.erase(paren);
    return name;
}

bool IsAllocatorFrame(const std::string& name)
{
    static const char* const kOwn[] = {"operator new", "malloc", "calloc", "realloc", "Note", "0x"};
    for (const char* own : kOwn)
        if (name.rfind(own, 0) == 0 || name.find(std::string("::") + own) != std::string::npos)
            return true;
    return name.find("__gnu_cxx::new_allocator") != std::string::npos ||
           name.find("std::allocator_traits") != std::string::npos;
}

}  // namespace

namespace qftest
{

bool AllocCountSeesMalloc()
{
#ifdef QF_ALLOC_SANITIZED
    return false;
#else
    return true;
#endif
}

void AllocCountStart(bool sites)
{
    gSites = sites;
    gSiteCount = 0;
    tCount = 0;
    tCounting = true;
}

unsigned long long AllocCountStop()
{
    tCounting = false;
    return tCount;
}

std::vector<std::string> AllocSites(int depth)
{
    std::map<std::string, int> counts;
    for (int i = 0; i < gSiteCount; ++i)
    {
        const TSite& s = gSiteBuffer[i];
        std::string line;
        int kept = 0;
        for (int f = 1; f < s.depth && kept < depth; ++f)
        {
            const std::string name = FrameName(s.frames[f]);
            if (kept == 0 && IsAllocatorFrame(name))
                continue;
            line += (kept ? " <- " : "") + name;
            ++kept;
        }
        ++counts[line];
    }
    std::vector<std::pair<int, std::string>> sorted;
    for (const auto& c : counts)
        sorted.emplace_back(c.second, c.first);
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> out;
    for (const auto& s : sorted)
        out.push_back(std::to_string(s.first) + " x " + s.second);
    return out;
}

}  // namespace qftest

#ifdef QF_ALLOC_SANITIZED

// The sanitizer's malloc stays; operator new is counted and handed to it.
namespace
{
void* Allocate(std::size_t size)
{
    Note();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* AllocateAligned(std::size_t size, std::align_val_t align)
{
    Note();
    const std::size_t a = std::max(static_cast<std::size_t>(align), sizeof(void*));
    void* p = nullptr;
    if (posix_memalign(&p, a, size ? size : 1) != 0)
        throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    Note();
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    Note();
    return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t align)
{
    return AllocateAligned(size, align);
}
void* operator new[](std::size_t size, std::align_val_t align)
{
    return AllocateAligned(size, align);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept
{
    std::free(p);
}

#else

// The C library's own allocator under its internal names; every other allocation function of
// the C library (free, memalign, ...) works on their blocks unchanged, and the C++ library's
// operator new calls malloc.
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* p, size_t size);

extern "C" void* malloc(size_t size)
{
    Note();
    return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
    Note();
    return __libc_calloc(count, size);
}

extern "C" void* realloc(void* p, size_t size)
{
    Note();
    return __libc_realloc(p, size);
}

#endif
