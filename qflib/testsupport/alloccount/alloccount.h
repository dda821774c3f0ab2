// Counts the heap allocations the calling thread makes while counting is on: every operator new,
// and in builds without the address sanitizer (which owns malloc there) every malloc, calloc and
// realloc as well. Linked into a program, the library replaces those functions for the whole
// process; other threads and the time outside a count cost one thread-local test.
#pragma once

#include <string>
#include <vector>

namespace qftest
{

// Whether the C allocation functions are counted too (not under the address sanitizer).
bool AllocCountSeesMalloc();

// Starts counting the calling thread's allocations from zero. With `sites` each allocation's
// call stack is also kept (the first few thousand), for AllocSites.
void AllocCountStart(bool sites = false);

// Stops counting and gives the number of allocations since AllocCountStart.
unsigned long long AllocCountStop();

// The call stacks kept by the last count, each with how often it allocated, most frequent
// first: "count x frame <- frame <- ...", with the allocator's own frames left out.
std::vector<std::string> AllocSites(int depth = 6);

}  // namespace qftest
