// table.sort with arbitrary elements and arbitrary, often inconsistent, comparison answers:
// the sort ends with the table sorted, "invalid order function for sorting" or a comparison
// error, and never reads or writes outside the table's elements.
#include <cmath>

#include "fuzz_support.h"

namespace
{

struct Answers
{
    const uint8_t* data;
    size_t size;
    size_t pos;
};

// The comparison: answers come from the input bytes, one bit each.
int answer(lua_State* L)
{
    Answers* a = static_cast<Answers*>(lua_touserdata(L, lua_upvalueindex(1)));
    bool r = false;
    if (a->size > 0)
    {
        size_t bit = a->pos++ % (a->size * 8);
        r = (a->data[bit / 8] >> (bit % 8)) & 1;
    }
    lua_pushboolean(L, r);
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2 || size > 2048)
        return 0;
    size_t n = data[0] % 64;
    bool useComparison = data[1] & 1;
    bool withStrings = data[1] & 2;
    data += 2;
    size -= 2;
    fuzzlib::State s;
    lua_State* L = s.L;
    if (!L)
        return 0;
    lua_pushliteral(L, "table");
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushliteral(L, "sort");
    lua_gettable(L, -2);
    lua_newtable(L);
    for (size_t i = 0; i < n; i++)
    {
        uint8_t b = i < size ? data[i] : (uint8_t)i;
        if (withStrings && (b & 1))
            lua_pushlstring(L, reinterpret_cast<const char*>(&b), 1);
        else if (b == 255)
            lua_pushnumber(L, NAN);
        else
            lua_pushnumber(L, (double)(b >> 1));
        lua_rawseti(L, -2, (int)i + 1);
    }
    // a neighbour just outside the range, which a runaway scan would meet first
    lua_pushliteral(L, "outside");
    lua_rawseti(L, -2, (int)n + 1);
    Answers answers{data, size, 0};
    int nargs = 1;
    if (useComparison)
    {
        lua_pushlightuserdata(L, &answers);
        lua_pushcclosure(L, answer, 1);
        nargs = 2;
    }
    lua_pcall(L, nargs, 0, 0);
    return 0;
}
