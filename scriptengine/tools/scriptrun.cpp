// scriptrun FILE [ARG...]
//
// Opens a script state with the base, string and table libraries, loads FILE (source text,
// UTF-16LE source or a precompiled chunk) with the chunk name "@FILE", and runs it with the
// arguments as its parameters (also in the global table `arg`, FILE at index 0). An error
// goes to standard error and the exit status is 1; success exits with 0.
#include <cstdio>
#include <string>

#include "scriptengine/api.h"
#if __has_include("scriptengine/libs.h")
#include "scriptengine/libs.h"
#define SCRIPTRUN_HAS_LIBS 1
#endif

namespace {

struct Source {
  const std::string* text;
  bool done;
};

const char* readSource(lua_State*, void* data, size_t* size) {
  Source* s = static_cast<Source*>(data);
  if (s->done || s->text->empty()) {
    *size = 0;
    return nullptr;
  }
  s->done = true;
  *size = s->text->size();
  return s->text->data();
}

void reportError(lua_State* L) {
  const char* msg = lua_tostring(L, -1);
  std::fprintf(stderr, "scriptrun: %s\n", msg ? msg : "(error object is not a string)");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: scriptrun FILE [ARG...]\n");
    return 1;
  }
  // C streams rather than iostreams: the runner is also measured for its memory.
  std::FILE* in = std::fopen(argv[1], "rb");
  if (in == nullptr) {
    std::fprintf(stderr, "scriptrun: cannot open %s\n", argv[1]);
    return 1;
  }
  std::string text;
  char block[4096];
  size_t got;
  while ((got = std::fread(block, 1, sizeof(block), in)) > 0) text.append(block, got);
  bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) {
    std::fprintf(stderr, "scriptrun: cannot read %s\n", argv[1]);
    return 1;
  }

  lua_State* L = lua_open();
  if (L == nullptr) {
    std::fprintf(stderr, "scriptrun: not enough memory\n");
    return 1;
  }
#ifdef SCRIPTRUN_HAS_LIBS
  luaopen_stdlibs(L);
#endif
  lua_settop(L, 0);

  // arg = { [0] = FILE, ARG... }
  lua_pushstring(L, "arg");
  lua_newtable(L);
  for (int i = 1; i < argc; i++) {
    lua_pushstring(L, argv[i]);
    lua_rawseti(L, -2, i - 1);
  }
  lua_settable(L, LUA_GLOBALSINDEX);

  std::string chunkname = std::string("@") + argv[1];
  Source src{&text, false};
  int status = lua_load(L, readSource, &src, chunkname.c_str());
  if (status == 0) {
    for (int i = 2; i < argc; i++) lua_pushstring(L, argv[i]);
    status = lua_pcall(L, argc - 2, 0, 0);
  }
  if (status != 0) reportError(L);
  lua_close(L);
  return status == 0 ? 0 : 1;
}
