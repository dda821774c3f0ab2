// Tag methods: tables and full userdata consult their own metatable; every other value
// consults the default metatable of its type, which is then the handler itself.
#include "tm.h"

#include "sstring.h"
#include "state.h"
#include "table.h"

const char* const luaT_typenames[] = {"nil",      "boolean",  "userdata", "number",  "string", "table",
                                      "function", "userdata", "thread",   "wstring", "proto",  "upval"};

void luaT_init(lua_State* L) {
  static const char* const luaT_eventname[] = {"__index", "__newindex", "__gc",  "__mode",   "__eq",
                                               "__add",   "__sub",      "__mul", "__div",    "__pow",
                                               "__unm",   "__lt",       "__le",  "__concat", "__call"};
  for (int i = 0; i < TM_N; i++) {
    G(L)->tmname[i] = luaS_new(L, luaT_eventname[i]);
    luaS_fix(G(L)->tmname[i]);  // never collect these names
  }
}

// For the fast events: a nil handler sets the absence bit of the metatable.
const TObject* luaT_gettm(Table* events, TMS event, TString* ename) {
  const TObject* tm = luaH_getstr(events, ename);
  if (ttisnil(tm)) {                                     // no tag method?
    events->flags |= static_cast<lu_byte>(1u << event);  // cache this fact
    return nullptr;
  }
  return tm;
}

const TObject* luaT_gettmbyobj(lua_State* L, const TObject* o, TMS event) {
  switch (ttype(o)) {
    case LUA_TTABLE: return luaH_getstr(hvalue(o)->metatable, G(L)->tmname[event]);
    case LUA_TUSERDATA: return luaH_getstr(uvalue(o)->metatable, G(L)->tmname[event]);
    default: {
      int t = ttype(o);
      if (t < 0 || t >= NUM_TAGS) return luaO_nilobject;
      return &G(L)->defaultmetatypes[t];
    }
  }
}

Table* luaT_getmetatable(lua_State* L, const TObject* o) {
  switch (ttype(o)) {
    case LUA_TTABLE: return hvalue(o)->metatable;
    case LUA_TUSERDATA: return uvalue(o)->metatable;
    default: {
      int t = ttype(o);
      if (t < 0 || t >= NUM_TAGS) return nullptr;
      const TObject* mt = &G(L)->defaultmetatypes[t];
      return ttistable(mt) ? hvalue(mt) : nullptr;
    }
  }
}
