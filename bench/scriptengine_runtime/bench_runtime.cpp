// Script runtime: table insert / lookup / traversal and VM dispatch on assembled loops.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "assembler.h"
#include "scriptengine/api.h"

using namespace asmtest;

namespace
{

struct State
{
    State() { L = lua_open(); }
    ~State() { lua_close(L); }
    lua_State* L;
};

void BM_TableInsertIntegers(benchmark::State& st)
{
    State s;
    const int n = static_cast<int>(st.range(0));
    for (auto _ : st)
    {
        lua_newtable(s.L);
        for (int i = 1; i <= n; i++)
        {
            lua_pushnumber(s.L, i);
            lua_rawseti(s.L, -2, i);
        }
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_TableInsertIntegers)->Arg(1000)->Arg(100000);

void BM_TableInsertStrings(benchmark::State& st)
{
    State s;
    const int n = static_cast<int>(st.range(0));
    std::vector<std::string> keys;
    for (int i = 0; i < n; i++)
        keys.push_back("key" + std::to_string(i));
    for (auto _ : st)
    {
        lua_newtable(s.L);
        for (int i = 0; i < n; i++)
        {
            lua_pushlstring(s.L, keys[i].data(), keys[i].size());
            lua_pushnumber(s.L, i);
            lua_rawset(s.L, -3);
        }
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_TableInsertStrings)->Arg(1000)->Arg(50000);

void BM_TableLookupStrings(benchmark::State& st)
{
    State s;
    const int n = 1000;
    lua_newtable(s.L);
    for (int i = 0; i < n; i++)
    {
        std::string k = "key" + std::to_string(i);
        lua_pushlstring(s.L, k.data(), k.size());
        lua_pushnumber(s.L, i);
        lua_rawset(s.L, 1);
    }
    // Keys kept on the stack: the lookup itself is measured, not the interning.
    for (int i = 0; i < n; i++)
    {
        std::string k = "key" + std::to_string(i);
        lua_pushlstring(s.L, k.data(), k.size());
    }
    double sum = 0;
    for (auto _ : st)
    {
        for (int i = 0; i < n; i++)
        {
            lua_pushvalue(s.L, i + 2);
            lua_rawget(s.L, 1);
            sum += lua_tonumber(s.L, -1);
            lua_pop(s.L, 1);
        }
    }
    benchmark::DoNotOptimize(sum);
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_TableLookupStrings);

// Number keys that live in the hash part (fractions and negative integers): where they land is
// the number hash's work.
double HashKey(int i)
{
    return (i & 1) ? i * 0.75 + 0.5 : -static_cast<double>(i);
}

void BM_TableInsertNumberKeys(benchmark::State& st)
{
    State s;
    const int n = static_cast<int>(st.range(0));
    for (auto _ : st)
    {
        lua_newtable(s.L);
        for (int i = 0; i < n; i++)
        {
            lua_pushnumber(s.L, HashKey(i));
            lua_pushnumber(s.L, i);
            lua_rawset(s.L, -3);
        }
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_TableInsertNumberKeys)->Arg(1000)->Arg(50000);

void BM_TableLookupNumberKeys(benchmark::State& st)
{
    State s;
    const int n = 1000;
    lua_newtable(s.L);
    for (int i = 0; i < n; i++)
    {
        lua_pushnumber(s.L, HashKey(i));
        lua_pushnumber(s.L, i);
        lua_rawset(s.L, 1);
    }
    double sum = 0;
    for (auto _ : st)
    {
        for (int i = 0; i < n; i++)
        {
            lua_pushnumber(s.L, HashKey(i));
            lua_rawget(s.L, 1);
            sum += lua_tonumber(s.L, -1);
            lua_pop(s.L, 1);
        }
    }
    benchmark::DoNotOptimize(sum);
    st.SetItemsProcessed(st.iterations() * n);
}
BENCHMARK(BM_TableLookupNumberKeys);

void BM_TableNext(benchmark::State& st)
{
    State s;
    const int n = 10000;
    lua_newtable(s.L);
    for (int i = 1; i <= n; i++)
    {
        lua_pushnumber(s.L, i);
        lua_rawseti(s.L, 1, i);
        std::string k = "k" + std::to_string(i);
        lua_pushlstring(s.L, k.data(), k.size());
        lua_pushnumber(s.L, i);
        lua_rawset(s.L, 1);
    }
    for (auto _ : st)
    {
        int count = 0;
        lua_pushnil(s.L);
        while (lua_next(s.L, 1))
        {
            count++;
            lua_pop(s.L, 1);
        }
        benchmark::DoNotOptimize(count);
    }
    st.SetItemsProcessed(st.iterations() * 2 * n);
}
BENCHMARK(BM_TableNext);

// for i = 1, n do sum = sum + i * 2 - 1 end: FORLOOP, ADD, MUL, SUB per pass.
void BM_VmArithmeticLoop(benchmark::State& st)
{
    State s;
    ProtoSpec p;
    p.numparams = 1;
    p.k = {1.0, 0.0, 2.0};
    p.code = {ABx(OP_LOADK, 1, 0),     ABC(OP_MOVE, 2, 0, 0),   ABx(OP_LOADK, 3, 0),     ABC(OP_SUB, 1, 1, 3),
              ABx(OP_LOADK, 4, 1),     AsBx(OP_JMP, 0, 3),      ABC(OP_MUL, 5, 1, K(2)), ABC(OP_ADD, 4, 4, 5),
              ABC(OP_SUB, 4, 4, K(0)), AsBx(OP_FORLOOP, 1, -4), ABC(OP_RETURN, 4, 2, 0)};
    const double n = 1000000;
    for (auto _ : st)
    {
        push(s.L, p);
        lua_pushnumber(s.L, n);
        lua_call(s.L, 1, 1);
        benchmark::DoNotOptimize(lua_tonumber(s.L, -1));
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * static_cast<int64_t>(n) * 4);
}
BENCHMARK(BM_VmArithmeticLoop);

// A loop that reads and writes a table field and a global each pass.
void BM_VmTableAndGlobalLoop(benchmark::State& st)
{
    State s;
    ProtoSpec p;
    p.numparams = 1;
    p.k = {1.0, 0.0, std::string("x"), std::string("g")};
    p.code = {ABC(OP_NEWTABLE, 5, 0, 1), ABC(OP_SETTABLE, 5, K(2), K(1)),
              ABx(OP_SETGLOBAL, 5, 3),   ABx(OP_LOADK, 1, 0),
              ABC(OP_MOVE, 2, 0, 0),     ABx(OP_LOADK, 3, 0),
              ABC(OP_SUB, 1, 1, 3),      AsBx(OP_JMP, 0, 4),
              ABx(OP_GETGLOBAL, 6, 3),   ABC(OP_GETTABLE, 7, 6, K(2)),
              ABC(OP_ADD, 7, 7, 1),      ABC(OP_SETTABLE, 6, K(2), 7),
              AsBx(OP_FORLOOP, 1, -5),   ABC(OP_GETTABLE, 7, 5, K(2)),
              ABC(OP_RETURN, 7, 2, 0)};
    const double n = 1000000;
    for (auto _ : st)
    {
        push(s.L, p);
        lua_pushnumber(s.L, n);
        lua_call(s.L, 1, 1);
        benchmark::DoNotOptimize(lua_tonumber(s.L, -1));
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * static_cast<int64_t>(n) * 5);
}
BENCHMARK(BM_VmTableAndGlobalLoop);

// Calls of a small script function from a loop: CALL, RETURN, frame entry and exit.
void BM_VmCallLoop(benchmark::State& st)
{
    State s;
    ProtoSpec add;
    add.numparams = 2;
    add.code = {ABC(OP_ADD, 2, 0, 1), ABC(OP_RETURN, 2, 2, 0)};
    ProtoSpec p;
    p.numparams = 1;
    p.sub = {add};
    p.k = {1.0, 0.0};
    p.code = {ABx(OP_CLOSURE, 6, 0),   ABx(OP_LOADK, 1, 0),    ABC(OP_MOVE, 2, 0, 0), ABx(OP_LOADK, 3, 0),
              ABC(OP_SUB, 1, 1, 3),    ABx(OP_LOADK, 4, 1),    AsBx(OP_JMP, 0, 4),    ABC(OP_MOVE, 7, 6, 0),
              ABC(OP_MOVE, 8, 4, 0),   ABC(OP_MOVE, 9, 1, 0),  ABC(OP_CALL, 7, 3, 2), ABC(OP_MOVE, 4, 7, 0),
              AsBx(OP_FORLOOP, 1, -6), ABC(OP_RETURN, 4, 2, 0)};
    p.code[6] = AsBx(OP_JMP, 0, 5);
    const double n = 300000;
    for (auto _ : st)
    {
        push(s.L, p);
        lua_pushnumber(s.L, n);
        lua_call(s.L, 1, 1);
        benchmark::DoNotOptimize(lua_tonumber(s.L, -1));
        lua_pop(s.L, 1);
    }
    st.SetItemsProcessed(st.iterations() * static_cast<int64_t>(n));
}
BENCHMARK(BM_VmCallLoop);

}  // namespace
