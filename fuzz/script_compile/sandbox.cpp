#include "sandbox.h"

#include <cstdlib>

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

size_t gInUse = 0;

void* budgetAlloc(void*, void* block, size_t oldsize, size_t newsize, int, unsigned)
{
    if (newsize == 0)
    {
        gInUse -= oldsize;
        std::free(block);
        return nullptr;
    }
    if (newsize > oldsize && gInUse + (newsize - oldsize) > kMemoryBudget)
        return nullptr;
    void* p = std::realloc(block, newsize);
    if (p)
        gInUse = gInUse - oldsize + newsize;
    return p;
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
    luaHelper_defaultAlloc = budgetAlloc;
    L_ = lua_open();
    if (L_ == nullptr)
        std::abort();
#ifdef SANDBOX_HAS_LIBS
    luaopen_stdlibs(L_);
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
