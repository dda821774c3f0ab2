// Compile time of a generated script of about 1 MB (functions, loops, tables, strings,
// closures, operators), and load time of the same script as a precompiled chunk.
#include <benchmark/benchmark.h>

#include <string>

#include "scriptengine/api.h"

namespace
{

std::string generateScript(size_t targetBytes)
{
    std::string s;
    int n = 0;
    while (s.size() < targetBytes)
    {
        std::string i = std::to_string(n++);
        s += "function f" + i +
             "(a, b, ...)\n"
             "  local t = {&4 &8 a, b, 'text " +
             i + "', L\"wide " + i +
             "\", x = a * 2 + b, y = a & 0xFF}\n"
             "  for k = 1, 10 do\n"
             "    if k == 3 then continue end\n"
             "    t[k] = (t[k] or 0) + k * " +
             i +
             " - (a << 2) | (b >> 1)\n"
             "  end\n"
             "  local j = 0\n"
             "  while j < b do j = j + 1 if j > 100 then break end end\n"
             "  repeat j = j - 1 until j <= 0\n"
             "  for key, value in next, t do t[key] = value end\n"
             "  local g = function(x) return x .. ':' .. " +
             i +
             " end\n"
             "  return g(t.x), t.y, a ~= b and a or b, not a, -b\n"
             "end\n"
             "result" +
             i + " = f" + i + "(" + i + ", 3)\n";
    }
    return s;
}

const std::string& script()
{
    static const std::string s = generateScript(1 << 20);
    return s;
}

struct Reader
{
    const std::string* text;
    bool done;
};

const char* readAll(lua_State*, void* data, size_t* size)
{
    Reader* r = static_cast<Reader*>(data);
    if (r->done)
    {
        *size = 0;
        return nullptr;
    }
    r->done = true;
    *size = r->text->size();
    return r->text->data();
}

int appendBytes(lua_State*, const void* p, size_t n, void* ud)
{
    static_cast<std::string*>(ud)->append(static_cast<const char*>(p), n);
    return 0;
}

void BM_CompileOneMegabyte(benchmark::State& state)
{
    const std::string& src = script();
    lua_State* L = lua_open();
    for (auto _ : state)
    {
        Reader r{&src, false};
        int status = lua_load(L, readAll, &r, "=bench");
        if (status != 0)
            state.SkipWithError(lua_tostring(L, -1));
        lua_settop(L, 0);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(src.size()));
    lua_close(L);
}
BENCHMARK(BM_CompileOneMegabyte)->Unit(benchmark::kMillisecond);

void BM_LoadPrecompiledOneMegabyte(benchmark::State& state)
{
    lua_State* L = lua_open();
    Reader r{&script(), false};
    std::string chunk;
    if (lua_load(L, readAll, &r, "=bench") == 0)
        lua_dump(L, appendBytes, &chunk);
    lua_settop(L, 0);
    for (auto _ : state)
    {
        Reader c{&chunk, false};
        int status = lua_load(L, readAll, &c, "=bench");
        if (status != 0)
            state.SkipWithError(lua_tostring(L, -1));
        lua_settop(L, 0);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(chunk.size()));
    lua_close(L);
}
BENCHMARK(BM_LoadPrecompiledOneMegabyte)->Unit(benchmark::kMillisecond);

}  // namespace
