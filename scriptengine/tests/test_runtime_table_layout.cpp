// Table layout: where every key of a table lives (array slot or node, chain links, the free
// pointer), the order `next` visits the keys and the size table.getn finds, after fixed
// sequences of insertions and deletions made through the C interface, the virtual machine
// and the table library. The layouts are compared with tests/golden/table_layout.txt, so a
// change to the table code that moves a key or changes the traversal order shows up here.
// A deliberate change regenerates the file with QF_UPDATE_GOLDEN=1 (then review the diff);
// QF_LAYOUT_FULL=path writes every layout in full (no checksums) to that file instead, so that
// the layouts of two builds can be compared key by key.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "object.h"
#include "state.h"
#include "table.h"
#include "test_runtime_support.h"

namespace {

using rt::RuntimeTest;

std::string keyText(const TObject* k) {
  char buf[64];
  switch (ttype(k)) {
    case LUA_TNIL: return "nil";
    case LUA_TDEADKEY: return "dead";
    case LUA_TBOOLEAN: return bvalue(k) ? "true" : "false";
    case LUA_TNUMBER: snprintf(buf, sizeof buf, "%.17g", nvalue(k)); return buf;
    case LUA_TSTRING: return "\"" + std::string(getstr(tsvalue(k)), tsvalue(k)->len) + "\"";
    case LUA_TWSTRING: {
      std::string s = "L\"";
      const lua_WChar* w = getwstr(tsvalue(k));
      for (lu_int32 i = 0; i < tsvalue(k)->len; i++) s.push_back(static_cast<char>(w[i]));
      return s + "\"";
    }
    default: return "?";
  }
}

// Everything about where the keys of t live, one line per part.
std::string layout(lua_State* L, Table* t) {
  std::string out;
  char buf[96];
  bool dummy = t->node == G(L)->dummynode;
  snprintf(buf, sizeof buf, "array %d nodes %d firstfree %d\n", t->sizearray, dummy ? 0 : sizenode(t),
           dummy ? -1 : static_cast<int>(t->firstfree - t->node));
  out += buf;
  out += "in use:";
  for (int i = 0; i < t->sizearray; i++) out += ttisnil(&t->array[i]) ? '.' : 'x';
  out += '\n';
  if (!dummy) {
    for (int i = 0; i < sizenode(t); i++) {
      const Node* n = gnode(t, i);
      const Node* nx = gnext(n);
      snprintf(buf, sizeof buf, "%d: ", i);
      out += buf;
      // the text of a string key whose value is nil may already be collected
      if (ttisnil(gval(n)) && iscollectable(gkey(n)))
        out += ttype(gkey(n)) == LUA_TSTRING ? "string (nil)" : "wstring (nil)";
      else
        out += keyText(gkey(n)) + (ttisnil(gval(n)) ? " (nil)" : "");
      if (nx != nullptr) {
        snprintf(buf, sizeof buf, " -> %d", static_cast<int>(nx - gnode(t, 0)));
        out += buf;
      }
      out += '\n';
    }
  }
  return out;
}

// The keys in the order `next` gives them.
std::string traversal(lua_State* L, int idx) {
  std::string out = "next:";
  lua_pushnil(L);
  while (lua_next(L, idx)) {
    lua_pop(L, 1);
    lua_pushvalue(L, -1);
    TObject k = *(L->top - 1);
    out += ' ';
    out += keyText(&k);
    lua_pop(L, 1);
  }
  return out + '\n';
}

uint64_t fnv(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

// Deterministic pseudo-random numbers (64-bit linear congruential, upper bits).
struct Rng {
  uint64_t s;
  unsigned next(unsigned n) {
    s = s * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<unsigned>((s >> 33) % n);
  }
};

class TableLayout : public RuntimeTest {
protected:
  std::string report;

  // Appends the description of the table at the top of the stack (popped); small tables in
  // full, larger ones as a checksum of the full description.
  void record(const std::string& name) {
    ASSERT_TRUE(lua_istable(L, -1)) << name;
    int idx = lua_gettop(L);
    Table* t = static_cast<Table*>(const_cast<void*>(lua_topointer(L, idx)));
    std::string where = layout(L, t);
    std::string order = traversal(L, idx);
    lua_pushstring(L, "table");
    lua_gettable(L, LUA_GLOBALSINDEX);
    lua_pushstring(L, "getn");
    lua_gettable(L, -2);
    lua_pushvalue(L, idx);
    ASSERT_EQ(lua_pcall(L, 1, 1, 0), 0);
    char buf[160];
    snprintf(buf, sizeof buf, "== %s: array %d lsizenode %d getn %.17g\n", name.c_str(), t->sizearray,
             static_cast<int>(t->lsizenode), lua_tonumber(L, -1));
    report += buf;
    lua_settop(L, idx - 1);
    if (std::getenv("QF_LAYOUT_FULL") || where.size() + order.size() < 1200) {
      report += where + order;
    } else {
      snprintf(buf, sizeof buf, "layout %016" PRIx64 " next %016" PRIx64 "\n", fnv(where), fnv(order));
      report += buf;
    }
  }

  // Runs a chunk that returns one table and records it.
  void recordScript(const std::string& name, const std::string& src) {
    std::string err;
    ASSERT_EQ(rt::run(L, src, &err, 1), 0) << err << "\n  in: " << src;
    record(name);
  }
};

void pushKey(lua_State* L, Rng& r, unsigned range) {
  switch (r.next(10)) {
    case 0:
    case 1: {
      char buf[24];
      snprintf(buf, sizeof buf, "k%u", r.next(range) + 1);
      lua_pushstring(L, buf);
      break;
    }
    case 2: lua_pushnumber(L, static_cast<lua_Number>(r.next(range)) / 7.0 - 3.0); break;
    case 3: lua_pushnumber(L, -static_cast<lua_Number>(r.next(range))); break;
    default: lua_pushnumber(L, static_cast<lua_Number>(r.next(range) + 1)); break;
  }
}

// Number and pointer keys start their chains at the remainder of their hash divided by
// ((node count - 1) | 1), whatever the size of the hash part and the bits of the key. A number
// n hashes as the double n + 1.
TEST_F(TableLayout, MainPositionsAreTheRemainders) {
  Rng r{99};
  for (int lsize = 0; lsize <= 16; lsize += (lsize < 12 ? 1 : 4)) {
    Table* t = luaH_new(L, 0, lsize);
    sethvalue(L->top, t);  // anchored while keys are made
    L->top++;
    uint64_t d = static_cast<uint64_t>((sizenode(t) - 1) | 1);
    for (int i = 0; i < 2000; i++) {
      uint64_t bits =
          (static_cast<uint64_t>(r.next(1u << 31)) << 33) ^ (static_cast<uint64_t>(r.next(1u << 31)) << 2) ^ r.next(4);
      if (i < 64) bits = ~static_cast<uint64_t>(0) >> i;  // the top values first
      TObject k;
      setpvalue(&k, reinterpret_cast<void*>(static_cast<uintptr_t>(bits)));
      ASSERT_EQ(luaH_mainposition(t, &k), gnode(t, bits % d)) << lsize << " " << bits;
      double n;
      memcpy(&n, &bits, sizeof n);
      if (n != n) continue;  // NaN is never a key
      setnvalue(&k, n);
      double m = n + 1;
      uint32_t w[2];
      memcpy(w, &m, sizeof w);
      ASSERT_EQ(luaH_mainposition(t, &k), gnode(t, static_cast<uint32_t>(w[0] + w[1]) % d)) << lsize << " " << n;
    }
    L->top--;
  }
}

// The order `next` gives number keys of the hash part, worked out by hand. A number key n lives
// at (lo + hi) mod ((nodes - 1) | 1), lo and hi being the 32-bit words of the double n + 1
// (lo is 0 for every key below). The hash part doubles when an insertion finds no free node,
// to the power of two above the key count (two keys: 4 nodes; four keys: 8), re-inserting the
// old nodes from the last to the first; the free pointer starts at the last node.
//   0.5  -> 1.5  = 3FF80000 00000000: 0x3FF80000 = 1073217536; mod 3 = 2, mod 7 = 6
//   0.75 -> 1.75 = 3FFC0000 00000000: 0x3FFC0000 = 1073479680; mod 3 = 0
//   22.5 -> 23.5 = 40378000 00000000: 0x40378000 = 1077379072; mod 3 = 1
//   1.5  -> 2.5  = 40040000 00000000: 0x40040000 = 1074003968; mod 3 = 2
//   2.5  -> 3.5  = 400C0000 00000000: 0x400C0000 = 1074528256; mod 3 = 1, mod 7 = 4
//   -1   -> 0    = 00000000 00000000: 0; mod 3 = 0, mod 7 = 0
//   -3   -> -2   = C0000000 00000000: 0xC0000000 = 3221225472; mod 3 = 0, mod 7 = 3
//   0.1  -> 1.1  = 3FF19999 9999999A: 0x3FF19999 + 0x9999999A = 0xD98B3333 (mod 2^32)
//                  = 3649778483; mod 3 = 2, mod 7 = 1
// (Hashing n itself instead gives 0.5 -> 2, 0.75 -> 1, 22.5 -> 0 in 4 nodes: 22.5, 0.75, 0.5.)
TEST_F(TableLayout, NumberKeysTraverseInTheOrderOfTheirHashes) {
  struct Case {
    const char* stores;
    const char* order;
  } cases[] = {
      // 0.5 alone: 2 nodes (mod 1: node 0). 0.75 collides and fills the last free node: 4
      // nodes, 0.75 at 0, 0.5 at 2; 22.5 takes the free node 1.
      {"t[0.5] = 1 t[0.75] = 2 t[22.5] = 3", "next: 0.75 22.5 0.5\n"},
      // 0.5 and 1.5 both start at node 2 of 4: 1.5 (re-inserted first, from old node 1) keeps
      // it, 0.5 goes to the free node 3 (chained 2 -> 3) and the free pointer steps down to 1;
      // -1 then takes node 0.
      {"t[0.5] = 1 t[1.5] = 2 t[-1] = 3", "next: -1 1.5 0.5\n"},
      // 4 nodes after 2.5: 2.5 at 1, -1 at 0. -3 collides with -1 and takes the free node 3,
      // 0.1 takes node 2, and no free node is left: 8 nodes (mod 7), re-inserted from old node
      // 3 to 0 as -3 at 3, 0.1 at 1, 2.5 at 4, -1 at 0, with no collision left.
      {"t[-1] = 1 t[2.5] = 2 t[-3] = 3 t[0.1] = 4", "next: -1 0.10000000000000001 -3 2.5\n"},
  };
  for (const Case& c : cases) {
    std::string err;
    ASSERT_EQ(rt::run(L, std::string("local t = {} ") + c.stores + " return t", &err, 1), 0) << err;
    EXPECT_EQ(traversal(L, lua_gettop(L)), c.order) << c.stores;
    lua_pop(L, 1);
  }
}

TEST_F(TableLayout, MatchesCheckedInLayouts) {
  // No collection while the tables are built: whether a string key set to nil and then set
  // again finds its old node depends on whether the collector freed the string in between.
  G(L)->gcstress = 0;
  G(L)->GCthreshold = ~static_cast<lu_mem>(0) / 2;
  // Random mixtures of integer, fractional, negative and string keys, with deletions (a
  // third of the operations set a key seen before to nil) and re-insertions.
  const unsigned ranges[] = {4, 16, 40, 100, 700, 5000};
  for (unsigned seed = 0; seed < 72; seed++) {
    Rng r{seed * 7919u + 1};
    unsigned range = ranges[seed % 6];
    unsigned ops = 1 + r.next(seed % 3 == 0 ? 40 : 400);
    lua_newtable(L);
    int t = lua_gettop(L);
    std::vector<unsigned> seeds;
    for (unsigned i = 0; i < ops; i++) {
      bool del = !seeds.empty() && r.next(3) == 0;
      unsigned keyseed = del ? seeds[r.next(static_cast<unsigned>(seeds.size()))] : r.next(1u << 30);
      if (!del) seeds.push_back(keyseed);
      Rng k{keyseed};
      pushKey(L, k, range);
      if (del)
        lua_pushnil(L);
      else if (i % 5 == 0)
        lua_pushboolean(L, 1);
      else
        lua_pushnumber(L, i);
      lua_rawset(L, t);
    }
    record("random " + std::to_string(seed));
  }
  // Booleans, -0 and 0, wide and narrow text of the same letters.
  const lua_WChar wk[] = {'k', 0};
  lua_newtable(L);
  for (int i = 0; i < 7; i++) {
    switch (i) {
      case 0: lua_pushboolean(L, 1); break;
      case 1: lua_pushboolean(L, 0); break;
      case 2: lua_pushnumber(L, -0.0); break;
      case 3: lua_pushnumber(L, 0.0); break;
      case 4: lua_pushstring(L, "k"); break;
      case 5: lua_pushwstring(L, wk); break;
      default: lua_pushnumber(L, 1); break;
    }
    lua_pushnumber(L, i);
    lua_rawset(L, -3);
  }
  record("booleans, zeros, wide");

  // The virtual machine's stores, constructors and the table library.
  for (int n : {0, 1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 33, 100, 1000}) {
    std::string sn = std::to_string(n);
    recordScript("ascending " + sn, "local t = {} for i = 1, " + sn + " do t[i] = i end return t");
    recordScript("descending " + sn, "local t = {} for i = " + sn + ", 1, -1 do t[i] = true end return t");
    recordScript("inserted " + sn, "local t = {} for i = 1, " + sn + " do table.insert(t, i) end return t");
    recordScript("odd then even " + sn, "local t = {} for i = 1, " + sn + ", 2 do t[i] = i end for i = 2, " + sn +
                                            ", 2 do t[i] = i end return t");
    recordScript("strings " + sn, "local t = {} for i = 1, " + sn + " do t['k' .. i] = i end return t");
    recordScript("emptied " + sn, "local t = {} for i = 1, " + sn + " do t[i] = i; t['s' .. i] = i end for i = 1, " +
                                      sn + ", 3 do t[i] = nil; t['s' .. i] = nil end t.x = 1 t[" + sn +
                                      " + 1] = 1 return t");
  }
  recordScript("constructor", "return {1, 2, 3, x = 1, y = 2, [10] = 10, 4, [2.5] = 1, n = 3}");
  recordScript("sparse", "local t = {} t[1] = 1 t[2] = 2 t[1000] = 3 t[4] = 4 t[3] = 3 return t");
  recordScript("removed", "local t = {} for i = 1, 50 do t[i] = i end for i = 1, 30 do table.remove(t, 1) end "
                          "table.insert(t, 1, 'a') return t");
  recordScript("marks reset", "local up = {} for r = 1, 8 do for c = 1, 8 do up[r + c] = true end "
                              "for c = 8, 1, -1 do up[r + c] = nil end end up[3] = true return up");
  recordScript("holes", "local t = {} for i = 1, 64 do t[i * 3] = i end for i = 1, 64 do t[i] = 0 end return t");
  recordScript(
      "shrinking",
      "local t = {} for i = 1, 300 do t[i] = i end for i = 1, 300, 7 do for j = i + 1, i + 5 do t[j] = nil end end "
      "for i = 1, 40 do t['x' .. i] = i end return t");

  std::string path = std::string(std::getenv("QF_SOURCE_DIR") ? std::getenv("QF_SOURCE_DIR") : ".") +
                     "/scriptengine/tests/golden/table_layout.txt";
  if (const char* full = std::getenv("QF_LAYOUT_FULL")) {
    std::ofstream(full, std::ios::binary) << report;
    return;
  }
  const char* update = std::getenv("QF_UPDATE_GOLDEN");
  if (update && *update == '1') {
    std::ofstream(path, std::ios::binary) << report;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << "missing " << path;
  std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // compare scenario by scenario, so that a failure names the first one that differs
  size_t a = 0, b = 0;
  while (a < report.size() || b < golden.size()) {
    size_t ea = report.find("\n== ", a), eb = golden.find("\n== ", b);
    std::string pa = report.substr(a, ea == std::string::npos ? std::string::npos : ea + 1 - a);
    std::string pb = golden.substr(b, eb == std::string::npos ? std::string::npos : eb + 1 - b);
    ASSERT_EQ(pa, pb);
    if (ea == std::string::npos || eb == std::string::npos) break;
    a = ea + 1, b = eb + 1;
  }
}

}  // namespace
