// TScript: a script state run as a task, with the framework's libraries and globals.
#include "bridge/script.h"

#include <map>

#include "bridge/lpcd.h"
#include "bridge/luaobject.h"
#include "foundation/debug.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"

str TScript::mLuaPath("assets/?;?;../?;../../?");

namespace
{

std::map<const void*, TScript*>& Scripts()
{
    static std::map<const void*, TScript*> scripts;
    return scripts;
}

// Dumps of nested tables for debugging. A value line ends with the long string's new line (the
// language drops the one that follows the opening brackets).
const char kDumpTableChunk[] =
    "function _Internal_DumpEntry( key, value, indent )\n"
    "  local pad = string.rep( ' ', indent )\n"
    "  if type( value ) == 'table' then\n"
    "    return pad .. tostring( key ) .. ' -> {\\n' .. _Internal_DumpTable( value, indent + 2 ) .. pad .. "
    "'}\\n'\n"
    "  end\n"
    "  return pad .. tostring( key ) .. ' -> ' .. tostring( value ) .. [[\n"
    "\n"
    "]]\n"
    "end\n"
    "function _Internal_DumpTable( t, indent )\n"
    "  if indent > 10 then\n"
    "    return string.rep( ' ', indent ) .. '...\\n'\n"
    "  end\n"
    "  local out = ''\n"
    "  table.foreach( t, function( k, v ) out = out .. _Internal_DumpEntry( k, v, indent ) end )\n"
    "  return out\n"
    "end\n"
    "function DumpTable( t )\n"
    "  DebugOut( 'Dump Table: \\n' .. _Internal_DumpTable( t, 2 ) )\n"
    "  _accumulated_table_data = ''\n"
    "end\n";

const char kGetClosureChunk[] =
    "function GetClosure( f, ... ) return function() return f( arg[1], arg[2], arg[3], arg[4], "
    "arg[5], arg[6] ); end; end";

str TopText(lua_State* L)
{
    const int type = lua_type(L, -1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER)
        return str(lua_tostring(L, -1));
    return str::getFormatted("(%s)", lua_typename(L, type));
}

// t[k] = v as a script assigns it, for the table, key and value at 1, 2 and 3.
int AssignProtected(lua_State* L)
{
    lua_settop(L, 3);
    lua_settable(L, 1);
    return 0;
}

}  // namespace

int LuaAlert(lua_State* L)
{
    WriteDbg("Lua error: %s", TopText(L).c_str());
    return 0;
}

void LuaDebugOut(str text)
{
    (void)text;
}

TScript::TScript(lua_State* L) : TAnimTask(nullptr), mLuaState(L)
{
    Pause();
    const bool opened = (L == nullptr);
    if (opened)
        mLuaState = lua_open();
    Scripts()[LuaBridge::StateKey(mLuaState)] = this;
    if (opened)
    {
        lua_pushstring(mLuaState, "_SCRIPT");
        lua_pushlightuserdata(mLuaState, this);
        lua_rawset(mLuaState, LUA_GLOBALSINDEX);
    }
    LuaInit();
}

TScript::~TScript()
{
    DeleteDeferredTables();
    Scripts().erase(LuaBridge::StateKey(mLuaState));
    TLuaObjectWrapper::DetachAll(mLuaState);
    lua_close(mLuaState);
}

TScript* TScript::FromState(lua_State* L)
{
    if (!L)
        return nullptr;
    auto& scripts = Scripts();
    auto it = scripts.find(LuaBridge::StateKey(L));
    return it == scripts.end() ? nullptr : it->second;
}

void TScript::LuaInit()
{
    lua_State* L = mLuaState;
    luaopen_stdlibs(L);
    lua_register(L, "_ALERT", &LuaAlert);
    LPCD::Register(L, "DebugOut", &LuaDebugOut);
    lua_register(L, "toparams", &TScript::ParamsFromTable);
    lua_dobuffer(L, kDumpTableChunk, sizeof kDumpTableChunk - 1, "DumpTable");
}

void TScript::DeleteDeferredTables()
{
    // A table's deletion runs no script code, but take the list first all the same.
    std::vector<TLuaTable*> tables;
    tables.swap(mDeferredTables);
    for (TLuaTable* table : tables)
        delete table;
}

void TScript::DeferDeleteTable(TLuaTable* table)
{
    if (table)
        mDeferredTables.push_back(table);
}

// Globals are written raw from native code: a metamethod a script put on the globals table
// could raise an error here, where no protected call would catch it.
void TScript::SetGlobalString(const str& name, const str& value)
{
    const int top = lua_gettop(mLuaState);
    lua_pushstring(mLuaState, name.c_str());
    lua_pushlstring(mLuaState, value.c_str(), value.length());
    lua_rawset(mLuaState, LUA_GLOBALSINDEX);
    lua_settop(mLuaState, top);
}

int TScript::AssignGlobal(const char* name)
{
    lua_State* L = mLuaState;
    const int value = lua_gettop(L);
    LuaBridge::SafeGetGlobal(L, "_ALERT");
    lua_pushcfunction(L, &AssignProtected);
    lua_pushvalue(L, LUA_GLOBALSINDEX);
    lua_pushstring(L, name);
    lua_pushvalue(L, value);
    int status;
    {
        TEntry entry(this);
        status = lua_pcall(L, 3, 0, value + 1);
    }
    lua_settop(L, value - 1);
    return status;
}

str TScript::PopString()
{
    const int type = lua_type(mLuaState, -1);
    str result;
    if (type == LUA_TSTRING || type == LUA_TNUMBER)
        result = str(lua_tostring(mLuaState, -1), lua_strlen(mLuaState, -1));
    else
        result = str("");
    lua_pop(mLuaState, 1);
    return result;
}

int TScript::ParamsFromTable(lua_State* L)
{
    if (lua_gettop(L) == 0)
        return 0;
    TLuaTable table(L);  // pops the argument
    if (!lua_checkstack(L, 2))
        return 0;
    table.Push(L);
    if (!lua_istable(L, -1))
    {
        lua_pop(L, 1);
        return 0;
    }
    const int n = lua_getn(L, -1);
    if (n <= 0)
    {
        lua_pop(L, 1);
        return 0;
    }
    if (!lua_checkstack(L, n + 1))
    {
        lua_pop(L, 1);
        return luaL_error(L, "toparams: too many elements (%d)", n);
    }
    const int t = lua_gettop(L);
    for (int i = 1; i <= n; i++)
        lua_rawgeti(L, t, i);
    lua_remove(L, t);
    return n;
}

bool TScript::CoroutineActive(int) const
{
    if (mEntryDepth > 0)
        return false;
    lua_Debug ar;
    return lua_getstack(mLuaState, 0, &ar) != 0;
}

bool TScript::InjectFunction()
{
    lua_pop(mLuaState, 1);
    return false;
}

int TScript::Resume(int args)
{
    DeleteDeferredTables();
    lua_State* L = mLuaState;
    int status;
    if (!CoroutineActive())
    {
        // Nothing waits: resuming would start whatever value lies on the base of the stack.
        lua_pop(L, args);
        lua_pushliteral(L, "cannot resume non-suspended coroutine");
        status = LUA_ERRRUN;
    }
    else
    {
        TEntry entry(this);
        status = lua_resume(L, args);
    }
    if (status != 0)
    {
        WriteDbg("lua_resume ERROR: %s", TopText(L).c_str());
        lua_pop(L, 1);
    }
    else if (mEntryDepth == 0)
    {
        // Values yielded to us (or returned by a finished coroutine) have no reader here.
        lua_settop(L, 0);
    }
    return status;
}

bool TScript::Animate()
{
    if (!CoroutineActive())
    {
        Pause();
        return true;
    }
    if (Resume(0) != 0)
        Pause();
    if (!CoroutineActive())
        Pause();
    return true;
}

int TScript::RunFunction(int args, int results)
{
    DeleteDeferredTables();
    lua_State* L = mLuaState;
    if (CoroutineActive() && results <= 1)
    {
        // The suspended frame cannot host a call: bind the call into a closure and let the
        // coroutine run it as a command.
        LuaBridge::SafeGetGlobal(L, "GetClosure");
        if (lua_isnil(L, -1))
        {
            lua_pop(L, 1);
            lua_dostring(L, kGetClosureChunk);
            LuaBridge::SafeGetGlobal(L, "GetClosure");
        }
        lua_insert(L, -(args + 2));
        int status;
        {
            TEntry entry(this);
            status = lua_pcall(L, args + 1, 1, 0);
        }
        if (status != 0)
        {
            WriteDbg("Lua error: %s", TopText(L).c_str());
            lua_pop(L, 1);
            return status;
        }
        TLuaFunction closure(L);
        closure.Push();
        if (InjectFunction())
            return 0;
        closure.Push();
        args = 0;
    }

    const int base = lua_gettop(L) - args;  // the function's index
    LuaBridge::SafeGetGlobal(L, "_ALERT");
    lua_insert(L, base);
    int status;
    {
        TEntry entry(this);
        status = lua_pcall(L, args, results, base);
    }
    lua_remove(L, base);
    if (status != 0)
    {
        if (results >= 2)
            WriteDbg("TScript::RunFunction failure. Too many return results? (%d, FAILURE CODE %d)", results,
                     status);
        return status;
    }
    if (CoroutineActive())
        return 0;
    if (results == 1 && lua_isfunction(L, -1))
    {
        // The chunk handed back the body of the script's coroutine: start it.
        if (IsPaused())
            SetDelay(0, true, true, false);
        const int below = lua_gettop(L) - 1;
        int resumed;
        {
            TEntry entry(this);
            resumed = lua_resume(L, 0);
        }
        if (resumed != 0)
        {
            WriteDbg("lua_resume error: %s", TopText(L).c_str());
        }
        else if (!CoroutineActive())
        {
            // Finished at once: keep the one result the caller asked for.
            lua_settop(L, below);
            lua_pushnil(L);
        }
    }
    return 0;
}

int TScript::DoLuaString(const str& text, int length, int results)
{
    lua_State* L = mLuaState;
    const str path = "LUA_PATH='" + mLuaPath + "' ;";
    lua_dostring(L, path.c_str());

    const size_t size = length < 0                       ? text.length()
                        : size_t(length) < text.length() ? size_t(length)
                                                         : text.length();
    const char* stage = "parsing";
    int status = luaL_loadbuffer(L, text.c_str(), size, text.c_str());
    if (status == 0)
    {
        stage = "running";
        status = RunFunction(0, results == 0 ? 1 : results);
        if (status == 0)
        {
            if (results == 0)
            {
                if (CoroutineActive())
                    lua_settop(L, 0);  // the yielded values of the coroutine just started
                else if (lua_gettop(L) > 0)
                    lua_pop(L, 1);
            }
            return 0;
        }
    }

    const int top = lua_gettop(L);
    const int type = lua_type(L, -1);
    if (type == LUA_TSTRING || type == LUA_TNUMBER)
    {
        const str message = str::getFormatted("Lua Error: %s\n\twhen %s", lua_tostring(L, -1), stage);
        WriteDbg("DoLuaString %s %s", message.c_str(), text.c_str());
        LuaBridge::SafeGetGlobal(L, "LuaErrorMessage");
        if (!lua_isnil(L, -1))
        {
            // Called protected: an error in the script's own handler is written and dropped.
            lua_pushlstring(L, message.c_str(), message.length());
            const int handlerBase = lua_gettop(L) - 1;
            lua_pushcfunction(L, &LuaAlert);
            lua_insert(L, handlerBase);
            TEntry entry(this);
            lua_pcall(L, 1, 0, handlerBase);
        }
    }
    lua_settop(L, top);
    return status;
}
