// A script state for fuzzing: base, string and table libraries, and budgets that make any input
// end quickly: an instruction budget enforced by a count hook, a limit on the memory held at
// once, a limit on the bytes built over the whole run (every byte the allocator hands out,
// freed or not), and a limit on the string bytes handed to the string library.
#pragma once

#include <cstddef>
#include <string>

struct lua_State;

namespace scriptfuzz
{

class Sandbox
{
public:
    Sandbox();
    ~Sandbox();
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    lua_State* L() const { return L_; }
    // Loads a chunk from memory (handed out in `block`-byte pieces when block > 0).
    int Load(const std::string& chunk, const char* name, size_t block = 0);
    // Runs the function on top under the instruction budget; returns the status.
    int Run();

private:
    lua_State* L_;
};

}  // namespace scriptfuzz
