// Library functions called through the C interface: format, pattern find and gsub, pack and
// unpack, table.sort and table.concat.
#include <benchmark/benchmark.h>

#include <string>

#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"
#include "scriptengine/libs.h"

namespace
{

struct Engine
{
    lua_State* L;
    Engine() : L(lua_open()) { luaopen_stdlibs(L); }
    ~Engine() { lua_close(L); }
};

void pushFn(lua_State* L, const char* lib, const char* name)
{
    lua_pushstring(L, lib);
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushstring(L, name);
    lua_gettable(L, -2);
    lua_remove(L, -2);
}

void BM_Format(benchmark::State& state)
{
    Engine e;
    for (auto _ : state)
    {
        pushFn(e.L, "string", "format");
        lua_pushliteral(e.L, "%5d %-8s %.3f %x %Q");
        lua_pushnumber(e.L, 1234);
        lua_pushliteral(e.L, "name");
        lua_pushnumber(e.L, 3.14159);
        lua_pushnumber(e.L, 48879);
        lua_pushliteral(e.L, "quote\"me\n");
        lua_call(e.L, 6, 1);
        lua_settop(e.L, 0);
    }
}
BENCHMARK(BM_Format);

void BM_FindPattern(benchmark::State& state)
{
    Engine e;
    std::string text;
    for (int i = 0; i < 50; i++)
        text += "key" + std::to_string(i) + " = value" + std::to_string(i) + "; ";
    for (auto _ : state)
    {
        pushFn(e.L, "string", "find");
        lua_pushlstring(e.L, text.data(), text.size());
        lua_pushliteral(e.L, "(key49) = (%w+);");
        lua_call(e.L, 2, LUA_MULTRET);
        lua_settop(e.L, 0);
    }
}
BENCHMARK(BM_FindPattern);

void BM_GsubString(benchmark::State& state)
{
    Engine e;
    std::string text;
    for (int i = 0; i < 200; i++)
        text += "word" + std::to_string(i) + " ";
    for (auto _ : state)
    {
        pushFn(e.L, "string", "gsub");
        lua_pushlstring(e.L, text.data(), text.size());
        lua_pushliteral(e.L, "(%a+)(%d+)");
        lua_pushliteral(e.L, "%2-%1");
        lua_call(e.L, 3, 2);
        lua_settop(e.L, 0);
    }
}
BENCHMARK(BM_GsubString);

void BM_PackUnpack(benchmark::State& state)
{
    Engine e;
    for (auto _ : state)
    {
        pushFn(e.L, "string", "unpack");
        pushFn(e.L, "string", "pack");
        lua_pushliteral(e.L, "<i h d z p");
        lua_pushnumber(e.L, 123456);
        lua_pushnumber(e.L, -7);
        lua_pushnumber(e.L, 2.5);
        lua_pushliteral(e.L, "zero-terminated");
        lua_pushliteral(e.L, "prefixed");
        lua_call(e.L, 6, 1);
        lua_pushliteral(e.L, "<i h d z p");
        lua_call(e.L, 2, LUA_MULTRET);
        lua_settop(e.L, 0);
    }
}
BENCHMARK(BM_PackUnpack);

void BM_SortNumbers(benchmark::State& state)
{
    Engine e;
    const int n = (int)state.range(0);
    for (auto _ : state)
    {
        state.PauseTiming();
        pushFn(e.L, "table", "sort");
        lua_newtable(e.L);
        unsigned seed = 7;
        for (int i = 1; i <= n; i++)
        {
            seed = seed * 1103515245u + 12345u;
            lua_pushnumber(e.L, seed >> 8);
            lua_rawseti(e.L, -2, i);
        }
        state.ResumeTiming();
        lua_call(e.L, 1, 0);
        lua_settop(e.L, 0);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_SortNumbers)->Arg(1000)->Arg(100000);

void BM_Concat(benchmark::State& state)
{
    Engine e;
    lua_pushliteral(e.L, "parts");
    lua_newtable(e.L);
    for (int i = 1; i <= 10000; i++)
    {
        lua_pushliteral(e.L, "item");
        lua_rawseti(e.L, -2, i);
    }
    lua_settable(e.L, LUA_GLOBALSINDEX);
    for (auto _ : state)
    {
        pushFn(e.L, "table", "concat");
        lua_pushliteral(e.L, "parts");
        lua_gettable(e.L, LUA_GLOBALSINDEX);
        lua_pushliteral(e.L, ",");
        lua_call(e.L, 2, 1);
        lua_settop(e.L, 0);
    }
}
BENCHMARK(BM_Concat);

}  // namespace
