// A script state with the standard libraries for one fuzz input, and a protected call helper.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scriptengine/api.h"
#include "scriptengine/libs.h"

namespace fuzzlib
{

struct State
{
    lua_State* L;
    State() : L(lua_open())
    {
        if (L)
            luaopen_stdlibs(L);
    }
    ~State()
    {
        if (L)
            lua_close(L);
    }
};

// Pushes string.<name>.
inline void pushStringFn(lua_State* L, const char* name)
{
    lua_pushliteral(L, "string");
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushstring(L, name);
    lua_gettable(L, -2);
    lua_remove(L, -2);
}

}  // namespace fuzzlib
