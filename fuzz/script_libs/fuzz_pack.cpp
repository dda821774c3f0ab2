// string.unpack of arbitrary data by arbitrary formats, and the round trip: whatever unpack
// produced, when pack accepts it again under the same format, unpacking that gives the same
// values. The first byte splits the input into format and data.
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"

namespace
{

bool sameValue(lua_State* L, int a, int b)
{
    if (lua_type(L, a) != lua_type(L, b))
        return false;
    if (lua_type(L, a) == LUA_TNUMBER)
    {
        double x = lua_tonumber(L, a), y = lua_tonumber(L, b);
        return x == y || (x != x && y != y);
    }
    return lua_rawequal(L, a, b) != 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    size_t split = 1 + (size_t)data[0] * (size - 1) / 256;
    std::string fmt(reinterpret_cast<const char*>(data) + 1, split - 1);
    std::string bytes(reinterpret_cast<const char*>(data) + split, size - split);
    fuzzlib::State s;
    lua_State* L = s.L;
    if (!L)
        return 0;
    // unpack(data, fmt)
    fuzzlib::pushStringFn(L, "unpack");
    lua_pushlstring(L, bytes.data(), bytes.size());
    lua_pushlstring(L, fmt.data(), fmt.size());
    if (lua_pcall(L, 2, LUA_MULTRET, 0) != 0)
        return 0;
    int nvalues = lua_gettop(L) - 1;  // after the position
    if (nvalues <= 0 || nvalues > 1000)
        return 0;
    // "A" counts repetitions in pack but a length in unpack, and "@" blocks are pack's alone:
    // only formats without them round-trip.
    if (fmt.find('A') != std::string::npos || fmt.find('@') != std::string::npos)
        return 0;
    // pack(fmt, values...)
    int first = 2;
    fuzzlib::pushStringFn(L, "pack");
    lua_pushlstring(L, fmt.data(), fmt.size());
    for (int i = 0; i < nvalues; i++)
        lua_pushvalue(L, first + i);
    if (lua_pcall(L, 1 + nvalues, 1, 0) != 0)
        return 0;
    int packed = lua_gettop(L);
    fuzzlib::pushStringFn(L, "unpack");
    lua_pushvalue(L, packed);
    lua_pushlstring(L, fmt.data(), fmt.size());
    int base = lua_gettop(L) - 3;
    if (lua_pcall(L, 2, LUA_MULTRET, 0) != 0)
        abort();  // what pack wrote, unpack reads
    int again = lua_gettop(L) - base - 1;
    if (again < nvalues)
        abort();
    for (int i = 0; i < nvalues; i++)
        if (!sameValue(L, first + i, base + 2 + i))
            abort();
    return 0;
}
