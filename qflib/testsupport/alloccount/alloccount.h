// Counts the heap allocations the calling thread makes while counting is on: every malloc,
// calloc and realloc, and every operator new (which allocates through malloc). Linked into a
// program, the library replaces the C allocation functions of the whole process (under the
// address sanitizer, which owns them, it listens to the sanitizer's allocation hook instead);
// other threads and the time outside a count cost one thread-local test.
//
// Each allocation is put down to its maker: the first function of its call stack, past the
// allocator and the C and C++ run-time libraries, that lies in the program itself ("own") or
// in another library (the OpenGL driver, SDL, ...).
#pragma once

#include <string>
#include <vector>

namespace qftest
{

struct TAllocCount
{
    unsigned long long all = 0;
    unsigned long long own = 0;  // made by the program's own code
};

// Starts counting the calling thread's allocations from zero. With `sites` each allocation's
// call stack is also kept (the first few thousand), for AllocSites.
void AllocCountStart(bool sites = false);

// Stops counting and gives the allocations since AllocCountStart.
TAllocCount AllocCountStop();

// The call stacks kept by the last count, each with how often it allocated, most frequent
// first: "count x [own|other] frame <- frame <- ...", the allocator's own frames left out.
std::vector<std::string> AllocSites(int depth = 6);

}  // namespace qftest
