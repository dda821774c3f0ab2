// string.format over arbitrary formats with a fixed spread of argument values: never a crash,
// never a read past the format.
#include <cmath>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    fuzzlib::State s;
    lua_State* L = s.L;
    if (!L)
        return 0;
    static const lua_WChar kWide[] = {'w', 0x263A, 0xE9, 0, '"', 0};
    for (int variant = 0; variant < 2; variant++)
    {
        fuzzlib::pushStringFn(L, "format");
        lua_pushlstring(L, reinterpret_cast<const char*>(data), size);
        // eight arguments of every kind the conversions meet
        lua_pushnumber(L, variant ? -1e300 : 3.75);
        lua_pushstring(L, "text\"\\\n");
        lua_pushlwstring(L, kWide, 5);
        lua_pushboolean(L, 1);
        lua_pushnil(L);
        lua_pushnumber(L, NAN);
        lua_pushlstring(L, "a\0b", 3);
        lua_pushnumber(L, variant ? 4294967296.0 * 3 : -7);
        lua_pcall(L, 9, 1, 0);
        lua_settop(L, 0);
    }
    return 0;
}
