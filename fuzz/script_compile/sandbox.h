// A script state for fuzzing: base, string and table libraries, an allocation budget, and an
// instruction budget enforced by a count hook, so that any input ends quickly.
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
