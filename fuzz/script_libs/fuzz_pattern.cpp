// Pattern matching over generated patterns: find (plain and patterned), gsub with a string and
// a function replacement, and gfind. The first byte splits the input into subject and pattern.
// Subjects are kept short and quantifiers few, so backtracking stays bounded in time.
#include <algorithm>
#include <string>

#include "fuzz_support.h"

namespace
{

int replacement(lua_State* L)
{
    if (lua_gettop(L) == 0)
        return 0;
    lua_pushvalue(L, 1);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 600)
        return 0;
    size_t split = 1 + (size_t)data[0] * (size - 1) / 256;
    std::string subject(reinterpret_cast<const char*>(data) + 1, split - 1);
    std::string pattern(reinterpret_cast<const char*>(data) + split, size - split);
    if (subject.size() > 48)
        subject.resize(48);
    // Backtracking is exponential in the number of quantifiers (as the language defines it), so
    // inputs keep a few; the depth bound itself is covered by the unit tests.
    int quantifiers = 0;
    for (char c : pattern)
        if (c == '*' || c == '+' || c == '-' || c == '?')
            quantifiers++;
    if (quantifiers > 4)
        return 0;
    fuzzlib::State s;
    lua_State* L = s.L;
    if (!L)
        return 0;
    for (int plain = 0; plain < 2; plain++)
    {
        fuzzlib::pushStringFn(L, "find");
        lua_pushlstring(L, subject.data(), subject.size());
        lua_pushlstring(L, pattern.data(), pattern.size());
        lua_pushnumber(L, (double)(int)(data[0] & 7) - 3);
        lua_pushboolean(L, plain);
        lua_pcall(L, 4, LUA_MULTRET, 0);
        lua_settop(L, 0);
    }
    fuzzlib::pushStringFn(L, "gsub");
    lua_pushlstring(L, subject.data(), subject.size());
    lua_pushlstring(L, pattern.data(), pattern.size());
    lua_pushliteral(L, "<%0%1%>");
    lua_pcall(L, 3, 2, 0);
    lua_settop(L, 0);
    fuzzlib::pushStringFn(L, "gsub");
    lua_pushlstring(L, subject.data(), subject.size());
    lua_pushlstring(L, pattern.data(), pattern.size());
    lua_pushliteral(L, "[%%]");
    lua_pcall(L, 3, 2, 0);
    lua_settop(L, 0);
    fuzzlib::pushStringFn(L, "gsub");
    lua_pushlstring(L, subject.data(), subject.size());
    lua_pushlstring(L, pattern.data(), pattern.size());
    lua_pushcfunction(L, replacement);
    lua_pcall(L, 3, 2, 0);
    lua_settop(L, 0);
    // gfind: at most subject length + 2 iterations can match
    fuzzlib::pushStringFn(L, "gfind");
    lua_pushlstring(L, subject.data(), subject.size());
    lua_pushlstring(L, pattern.data(), pattern.size());
    if (lua_pcall(L, 2, 1, 0) == 0)
    {
        for (size_t i = 0; i < subject.size() + 3; i++)
        {
            lua_pushvalue(L, 1);
            if (lua_pcall(L, 0, LUA_MULTRET, 0) != 0 || lua_gettop(L) == 1)
                break;
            lua_settop(L, 1);
        }
    }
    lua_settop(L, 0);
    return 0;
}
