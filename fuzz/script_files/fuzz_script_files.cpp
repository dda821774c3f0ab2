// A script file on disk holding the input: the loader sniffs its first byte to read it as text or
// byte for byte (binary chunks, UTF-16 sources, empty files), then it is loaded with
// luaL_loadfile and reached again from scripts through loadfile, dofile and require, each run
// under the sandbox's budgets.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sandbox.h"
#include "scratchdir.h"
#include "scriptengine/api.h"
#include "scriptengine/auxlib.h"

namespace
{

const std::string& Folder()
{
    static const std::string folder = []
    {
        static const TScratchDir scratch("script_files_fuzz");  // removed at exit
        std::string scratchPath = scratch.Path();
        return scratchPath;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = Folder() + "/chunk.lua";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    scriptfuzz::Sandbox box;
    lua_State* L = box.L();
    // The host path as the loader sees it ("::" leaves it unchanged).
    const std::string name = "::" + path;
    if (luaL_loadfile(L, name.c_str()) == 0)
        box.Run();
    lua_settop(L, 0);

    const std::string script = "local f = loadfile('" + name +
                               "') if f then pcall(f) end "
                               "pcall(dofile, '" +
                               name +
                               "') "
                               "LUA_PATH = '::" +
                               Folder() + "/?.lua' _LOADED = {} pcall(require, 'chunk')";
    if (box.Load(script, "=driver") == 0)
        box.Run();
    return 0;
}
