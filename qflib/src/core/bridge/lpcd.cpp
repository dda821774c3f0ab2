// LPCD: reading framework strings from the script stack.
#include "bridge/lpcd.h"

namespace LPCD
{

str Get(TypeWrapper<str>, lua_State* L, int index)
{
    const int type = lua_type(L, index);
    if (type != LUA_TSTRING && type != LUA_TNUMBER)
        return str("");
    // Numbers take the engine's "%.14g" text; strings are copied whole, zero bytes included.
    const char* text = lua_tostring(L, index);
    return str(text, lua_strlen(L, index));
}

}  // namespace LPCD
