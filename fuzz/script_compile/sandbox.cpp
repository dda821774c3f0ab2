#include "sandbox.h"

#include <cstdlib>
#include <cstring>

#include "scriptengine/api.h"
#if __has_include("scriptengine/libs.h")
#include "scriptengine/libs.h"
#define SANDBOX_HAS_LIBS 1
#endif

namespace scriptfuzz
{
namespace
{

constexpr size_t kMemoryBudget = 64u << 20;  // bytes a state may hold at once
constexpr int kInstructionBudget = 50000;
// Bytes the allocator may hand out over a whole run, freed or not. One instruction can build a
// string of tens of megabytes (a concatenation, string.rep, gsub, format), so the instruction
// count alone does not bound the work: every byte built is charged here as well.
constexpr size_t kBuildBudget = 64u << 20;
// Bytes of string arguments the string library may be handed over a run: its functions walk
// their strings (a find or gsub on a long string is linear in it) whatever they build.
constexpr size_t kScanBudget = 4u << 20;

size_t gInUse = 0;
size_t gBuilt = 0;
size_t gScanned = 0;

void* budgetAlloc(void*, void* block, size_t oldsize, size_t newsize, int, unsigned)
{
    if (newsize == 0)
    {
        gInUse -= oldsize;
        std::free(block);
        return nullptr;
    }
    if (newsize > oldsize)
    {
        if (gInUse + (newsize - oldsize) > kMemoryBudget || newsize > kBuildBudget - gBuilt)
            return nullptr;
        // A grown block counts whole: realloc may copy all of it.
        gBuilt += newsize;
    }
    void* p = std::realloc(block, newsize);
    if (p)
        gInUse = gInUse - oldsize + newsize;
    return p;
}

// Refuses a call when its charge does not fit in what is left of a budget.
void charge(lua_State* L, size_t& used, size_t budget, double amount, const char* what)
{
    if (!(amount <= static_cast<double>(budget - used)))
    {
        used = budget;
        lua_pushstring(L, what);
        lua_error(L);
    }
    used += static_cast<size_t>(amount);
}

// Runs the string library function held as upvalue 1 after charging the lengths of the
// strings it is given to the scan budget. string.rep (upvalue 2 true) first charges what it
// would build, each of its pieces as its length plus 16 bytes: adding a piece costs more than
// its bytes, and the allocations show the bytes only as the result grows.
int chargedStringCall(lua_State* L)
{
    const int n = lua_gettop(L);
    if (lua_toboolean(L, lua_upvalueindex(2)) && n >= 2)
    {
        const double count = lua_tonumber(L, 2);
        const double pieces = count > 0 ? count : 0;
        charge(L, gBuilt, kBuildBudget, pieces * (static_cast<double>(lua_strlen(L, 1)) + 16),
               "build budget exhausted");
    }
    for (int i = 1; i <= n; ++i)
    {
        const int type = lua_type(L, i);
        if (type != LUA_TSTRING && type != LUA_TWSTRING)
            continue;
        charge(L, gScanned, kScanBudget, static_cast<double>(lua_strlen(L, i)), "string budget exhausted");
    }
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, n, LUA_MULTRET);
    return lua_gettop(L);
}

// Puts every function of the string table (also the strings' metatable) behind the charge.
void chargeStringLibrary(lua_State* L)
{
    lua_pushliteral(L, "string");
    lua_gettable(L, LUA_GLOBALSINDEX);
    if (!lua_istable(L, -1))
    {
        lua_pop(L, 1);
        return;
    }
    const int table = lua_gettop(L);
    // Collect first: a table must not change while lua_next walks it.
    lua_newtable(L);
    const int names = lua_gettop(L);
    int count = 0;
    lua_pushnil(L);
    while (lua_next(L, table) != 0)
    {
        if (lua_iscfunction(L, -1))
        {
            lua_pushvalue(L, -2);
            lua_rawseti(L, names, ++count);
        }
        lua_pop(L, 1);
    }
    for (int i = 1; i <= count; ++i)
    {
        lua_rawgeti(L, names, i);  // name
        lua_pushvalue(L, -1);      // name name
        lua_rawget(L, table);      // name function
        lua_pushboolean(L, lua_type(L, -2) == LUA_TSTRING && std::strcmp(lua_tostring(L, -2), "rep") == 0);
        lua_pushcclosure(L, chargedStringCall, 2);  // name wrapper
        lua_rawset(L, table);
    }
    lua_settop(L, table - 1);
}

// print stays callable but writes nothing, so fuzzing runs quietly.
int silentPrint(lua_State*)
{
    return 0;
}

void budgetHook(lua_State* L, lua_Debug*)
{
    lua_pushstring(L, "instruction budget exhausted");
    lua_error(L);
}

struct Reader
{
    const std::string* text;
    size_t pos;
    size_t block;
};

const char* readChunk(lua_State*, void* data, size_t* size)
{
    Reader* r = static_cast<Reader*>(data);
    size_t left = r->text->size() - r->pos;
    size_t n = (r->block == 0 || r->block > left) ? left : r->block;
    *size = n;
    if (n == 0)
        return nullptr;
    const char* p = r->text->data() + r->pos;
    r->pos += n;
    return p;
}

}  // namespace

Sandbox::Sandbox()
{
    gInUse = 0;
    gBuilt = 0;
    gScanned = 0;
    luaHelper_defaultAlloc = budgetAlloc;
    L_ = lua_open();
    if (L_ == nullptr)
        std::abort();
#ifdef SANDBOX_HAS_LIBS
    luaopen_stdlibs(L_);
    chargeStringLibrary(L_);
#endif
    lua_pushstring(L_, "print");
    lua_pushcclosure(L_, silentPrint, 0);
    lua_settable(L_, LUA_GLOBALSINDEX);
    lua_settop(L_, 0);
}

Sandbox::~Sandbox()
{
    lua_close(L_);
    luaHelper_defaultAlloc = l_alloc;
}

int Sandbox::Load(const std::string& chunk, const char* name, size_t block)
{
    Reader r{&chunk, 0, block};
    return lua_load(L_, readChunk, &r, name);
}

int Sandbox::Run()
{
    lua_sethook(L_, budgetHook, LUA_MASKCOUNT, kInstructionBudget);
    int status = lua_pcall(L_, 0, 0, 0);
    lua_sethook(L_, nullptr, 0, 0);
    lua_settop(L_, 0);
    return status;
}

}  // namespace scriptfuzz
