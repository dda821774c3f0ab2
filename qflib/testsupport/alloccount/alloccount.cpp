// The counting allocator. Outside the address sanitizer, malloc, calloc and realloc are
// replaced by forwards to the C library's own entry points (every other allocation function of
// the C library works on their blocks unchanged, and the C++ library's operator new calls
// malloc); under it, the sanitizer calls __sanitizer_malloc_hook after every allocation.
#include "alloccount.h"

#include <cxxabi.h>
#include <dlfcn.h>
#include <execinfo.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

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

const int kMaxFrames = 24;
const int kMaxSites = 4096;

struct TSite
{
    void* frames[kMaxFrames];
    int depth;
    bool own;
};

thread_local bool tCounting = false;
thread_local bool tInside = false;  // the stack walk and its look-ups may allocate themselves
thread_local unsigned long long tAll = 0, tOwn = 0;
bool gSites = false;
TSite gSiteBuffer[kMaxSites];
int gSiteCount = 0;

std::string Demangled(const char* name)
{
    int status = 0;
    char* demangled = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string out = status == 0 && demangled ? demangled : name;
    std::free(demangled);
    return out;
}

// The allocation functions a caller calls: the frames up to the last of them are the
// allocator's (under the sanitizer its run-time lies in the program, its inner functions
// unnamed).
bool IsAllocatorEntry(const char* name)
{
    static const char* const kNames[] = {"malloc",   "calloc", "realloc", "posix_memalign", "aligned_alloc",
                                         "memalign", "valloc", "strdup",  "strndup",        "__strdup"};
    static const char* const kPrefixes[] = {"_Znw", "_Zna", "__interceptor_"};  // operator new, new[]
    for (const char* n : kNames)
        if (std::strcmp(name, n) == 0)
            return true;
    for (const char* p : kPrefixes)
        if (std::strncmp(name, p, std::strlen(p)) == 0)
            return true;
    return false;
}

bool IsRuntimeLibrary(const char* file)
{
    static const char* const kRuntimes[] = {"/libc.so", "/libstdc++.so", "/libgcc_s.so",
                                            "/libm.so", "/libc++.so",    "/libc++abi.so"};
    for (const char* r : kRuntimes)
        if (std::strstr(file, r))
            return true;
    return false;
}

// The first frame of the caller: past the last allocation function near the top of the stack.
int FirstCallerFrame(void* const* frames, int depth)
{
    int first = 0;
    for (int f = 0; f < depth && f < 16; ++f)
    {
        Dl_info info;
        if (dladdr(frames[f], &info) && info.dli_sname && IsAllocatorEntry(info.dli_sname))
            first = f + 1;
    }
    return first;
}

// Whether the first frame past the allocator and the run-time libraries lies in the program.
bool MadeByOwnCode(void* const* frames, int depth)
{
    Dl_info self;
    if (!dladdr(reinterpret_cast<void*>(&qftest::AllocCountStart), &self))
        return true;
    for (int f = FirstCallerFrame(frames, depth); f < depth; ++f)
    {
        Dl_info info;
        if (!dladdr(frames[f], &info) || !info.dli_fname)
            return false;
        if (info.dli_fbase == self.dli_fbase)
            return true;
        if (!IsRuntimeLibrary(info.dli_fname))
            return false;
    }
    return false;
}

void Note()
{
    if (!tCounting || tInside)
        return;
    tInside = true;
    ++tAll;
    void* frames[kMaxFrames];
    const int depth = backtrace(frames, kMaxFrames);
    const bool own = MadeByOwnCode(frames, depth);
    tOwn += own;
    if (gSites && gSiteCount < kMaxSites)
    {
        TSite& s = gSiteBuffer[gSiteCount++];
        std::memcpy(s.frames, frames, sizeof frames);
        s.depth = depth;
        s.own = own;
    }
    tInside = false;
}

std::string FrameName(void* address)
{
    Dl_info info;
    if (!dladdr(address, &info) || !info.dli_sname)
    {
        if (info.dli_fname)
        {
            const char* slash = std::strrchr(info.dli_fname, '/');
            return std::string("(") + (slash ? slash + 1 : info.dli_fname) + ")";
        }
        return "?";
    }
    std::string name = Demangled(info.dli_sname);
    // Parameter lists make the lines long and say little here.
    const size_t paren = name.find('(');
    if (paren != std::string::npos && paren > 0)
        name.erase(paren);
    return name;
}

}  // namespace

namespace qftest
{

void AllocCountStart(bool sites)
{
    gSites = sites;
    gSiteCount = 0;
    tAll = tOwn = 0;
    tCounting = true;
}

TAllocCount AllocCountStop()
{
    tCounting = false;
    TAllocCount c;
    c.all = tAll;
    c.own = tOwn;
    return c;
}

std::vector<std::string> AllocSites(int depth)
{
    std::map<std::string, int> counts;
    for (int i = 0; i < gSiteCount; ++i)
    {
        const TSite& s = gSiteBuffer[i];
        std::string line = s.own ? "[own] " : "[other] ";
        int kept = 0;
        for (int f = FirstCallerFrame(s.frames, s.depth); f < s.depth && kept < depth; ++f)
        {
            Dl_info info;
            if (kept == 0 && dladdr(s.frames[f], &info) && info.dli_fname && IsRuntimeLibrary(info.dli_fname))
                continue;
            line += (kept ? " <- " : "") + FrameName(s.frames[f]);
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

extern "C" void __sanitizer_malloc_hook(const volatile void*, size_t)
{
    Note();
}

#else

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
