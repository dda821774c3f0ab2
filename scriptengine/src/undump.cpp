// Bytecode loader (see dump.h).
//
// A precompiled chunk is untrusted input (any text that starts with ESC reaches this loader):
// every count, size, index, opcode and nesting depth is checked, vectors grow only as their
// elements actually arrive, and every prototype passes a full static check before the chunk
// can run. Every failure is a syntax-status error with a message, never a crash.
#include <cstdlib>
#include <cstring>

#include "compile.h"
#include "debug.h"
#include "do.h"
#include "dump.h"
#include "func.h"
#include "mem.h"
#include "opcodes.h"
#include "sstring.h"
#include "state.h"

namespace {

// Deepest nesting of function records accepted (the parser's syntax-level limit).
constexpr int kMaxNesting = 200;
// Elements read per step while a vector grows with its data.
constexpr size_t kReadBatch = 4096;

struct LoadState {
  lua_State* L;
  ZIO* Z;
  Mbuffer* b;
  bool swap;
  int depth;
  const char* name;
};

[[noreturn]] void loaderror(LoadState* S, const char* fmt, const char* arg = nullptr) {
  luaO_pushfstring(S->L, fmt, arg ? arg : S->name);
  luaD_throw(S->L, LUA_ERRSYNTAX);
}

[[noreturn]] void badcode(LoadState* S) { loaderror(S, "bad code in %s"); }

void LoadBlock(LoadState* S, void* b, size_t size) {
  if (luaZ_read(S->Z, b, size) != 0) loaderror(S, "unexpected end of file in %s");
}

int LoadByte(LoadState* S) {
  int c = zgetc(S->Z);
  if (c == EOZ) loaderror(S, "unexpected end of file in %s");
  return c;
}

void swapbytes(unsigned char* b, size_t size) {
  for (size_t i = 0; i < size / 2; i++) {
    unsigned char t = b[i];
    b[i] = b[size - 1 - i];
    b[size - 1 - i] = t;
  }
}

// Swaps each element of a vector of `n` items of `size` bytes in place.
void swapvector(LoadState* S, void* v, size_t n, size_t size) {
  if (!S->swap) return;
  unsigned char* p = static_cast<unsigned char*>(v);
  for (size_t i = 0; i < n; i++) swapbytes(p + i * size, size);
}

// Reads one value of `size` bytes in the chunk's byte order into `out`.
void LoadScalar(LoadState* S, void* out, size_t size) {
  unsigned char b[8];
  LoadBlock(S, b, size);
  if (S->swap) swapbytes(b, size);
  std::memcpy(out, b, size);
}

uint32_t LoadUInt32(LoadState* S) {
  uint32_t x;
  LoadScalar(S, &x, sizeof x);
  return x;
}

int LoadInt(LoadState* S) {
  int32_t x = static_cast<int32_t>(LoadUInt32(S));
  if (x < 0) loaderror(S, "bad integer in %s");
  return x;
}

size_t LoadSize(LoadState* S) { return LoadUInt32(S); }

lua_Number LoadNumber(LoadState* S) {
  lua_Number x;
  LoadScalar(S, &x, sizeof x);
  return x;
}

// Reads `bytes` bytes into the scratch buffer, growing it only as the data arrives so that a
// forged size costs no more memory than the input holds.
char* LoadIntoBuffer(LoadState* S, uint64_t bytes) {
  if (bytes > MAX_BLOCK_SIZE) loaderror(S, "unexpected end of file in %s");
  size_t done = 0;
  size_t total = static_cast<size_t>(bytes);
  while (done < total) {
    size_t step = total - done;
    size_t have = luaZ_sizebuffer(S->b);
    if (have < done + step) {
      size_t want = have * 2 > done + 65536 ? have * 2 : done + 65536;
      if (want > total) want = total;
      luaZ_openspace(S->L, S->b, want);
      step = luaZ_sizebuffer(S->b) - done;
      if (step > total - done) step = total - done;
    }
    LoadBlock(S, luaZ_buffer(S->b) + done, step);
    done += step;
  }
  return luaZ_buffer(S->b);
}

// 8-bit string: size n (length + 1) and n bytes ending in 0; size 0 means no string.
// `emptyIfNone` turns size 0 into the empty string (constants and debug names).
TString* LoadString(LoadState* S, bool emptyIfNone) {
  size_t size = LoadSize(S);
  if (size == 0) return emptyIfNone ? luaS_newlstr(S->L, "", 0) : nullptr;
  char* s = LoadIntoBuffer(S, size);
  return luaS_newlstr(S->L, s, size - 1);  // without the terminating 0
}

// Wide string: size n in units, then 2n bytes; the last unit is the terminator.
TString* LoadWString(LoadState* S) {
  size_t size = LoadSize(S);
  if (size == 0) {
    static const lua_WChar empty[1] = {0};
    return luaS_newlwstr(S->L, empty, 0);
  }
  uint64_t bytes = static_cast<uint64_t>(size) * 2;
  char* s = LoadIntoBuffer(S, bytes);
  swapvector(S, s, size, 2);
  // The scratch buffer comes from the allocator and is suitably aligned for 16-bit units.
  return luaS_newlwstr(S->L, reinterpret_cast<const lua_WChar*>(s), size - 1);
}

// Grows vector `v` (allocated size `size`) so that it can hold at least `need` of `total`
// elements, doubling as the data arrives.
template <typename T> void growfor(LoadState* S, T*& v, int& size, size_t need, size_t total) {
  if (need <= static_cast<size_t>(size)) return;
  size_t n = static_cast<size_t>(size) * 2;
  if (n < need) n = need;
  if (n < kReadBatch) n = kReadBatch;
  if (n > total) n = total;
  luaM_reallocvector(S->L, v, size, n, T);
  size = static_cast<int>(n);
}

// Reads `n` 4-byte items into a vector that grows as they arrive; `fill` is the allocated
// size field of the vector.
template <typename T> void LoadVector4(LoadState* S, T*& v, int& fill, size_t n) {
  static_assert(sizeof(T) == 4, "4-byte items");
  size_t done = 0;
  while (done < n) {
    size_t step = n - done < kReadBatch ? n - done : kReadBatch;
    growfor(S, v, fill, done + step, n);
    LoadBlock(S, v + done, step * 4);
    swapvector(S, v + done, step, 4);
    done += step;
  }
}

void LoadCode(LoadState* S, Proto* f) {
  size_t n = static_cast<size_t>(LoadInt(S));
  LoadVector4(S, f->code, f->sizecode, n);
}

void LoadLines(LoadState* S, Proto* f) {
  size_t n = static_cast<size_t>(LoadInt(S));
  LoadVector4(S, f->lineinfo, f->sizelineinfo, n);
  for (int i = 0; i < f->sizelineinfo; i++)
    if (f->lineinfo[i] < 0) loaderror(S, "bad integer in %s");
}

void LoadLocals(LoadState* S, Proto* f) {
  size_t n = static_cast<size_t>(LoadInt(S));
  for (size_t i = 0; i < n; i++) {
    if (i >= static_cast<size_t>(f->sizelocvars)) {
      int old = f->sizelocvars;
      growfor(S, f->locvars, f->sizelocvars, i + 1, n);
      for (int j = old; j < f->sizelocvars; j++) {
        f->locvars[j].varname = nullptr;
        f->locvars[j].startpc = f->locvars[j].endpc = 0;
      }
    }
    f->locvars[i].varname = LoadString(S, true);
    f->locvars[i].startpc = LoadInt(S);
    f->locvars[i].endpc = LoadInt(S);
  }
}

void LoadUpvalues(LoadState* S, Proto* f) {
  int n = LoadInt(S);
  if (n != 0 && n != f->nupvalues) {
    luaO_pushfstring(S->L, "bad nupvalues in %s: read %d; expected %d", S->name, n, static_cast<int>(f->nupvalues));
    luaD_throw(S->L, LUA_ERRSYNTAX);
  }
  f->upvalues = luaM_newvector(S->L, n, TString*);
  f->sizeupvalues = n;
  for (int i = 0; i < n; i++) f->upvalues[i] = nullptr;
  for (int i = 0; i < n; i++) f->upvalues[i] = LoadString(S, true);
}

Proto* LoadFunction(LoadState* S, TString* p);

void LoadConstants(LoadState* S, Proto* f) {
  size_t n = static_cast<size_t>(LoadInt(S));
  for (size_t i = 0; i < n; i++) {
    if (i >= static_cast<size_t>(f->sizek)) {
      int old = f->sizek;
      growfor(S, f->k, f->sizek, i + 1, n);
      for (int j = old; j < f->sizek; j++) setnilvalue(&f->k[j]);
    }
    TObject* o = &f->k[i];
    int t = LoadByte(S);
    switch (t) {
      case LUA_TNIL: setnilvalue(o); break;
      case LUA_TNUMBER: setnvalue(o, LoadNumber(S)); break;
      case LUA_TSTRING: setsvalue(o, LoadString(S, true)); break;
      case LUA_TWSTRING: setwsvalue(o, LoadWString(S)); break;
      default: {
        luaO_pushfstring(S->L, "bad constant type (%d) in %s", t, S->name);
        luaD_throw(S->L, LUA_ERRSYNTAX);
      }
    }
  }
  n = static_cast<size_t>(LoadInt(S));
  for (size_t i = 0; i < n; i++) {
    if (i >= static_cast<size_t>(f->sizep)) {
      int old = f->sizep;
      growfor(S, f->p, f->sizep, i + 1, n);
      for (int j = old; j < f->sizep; j++) f->p[j] = nullptr;
    }
    f->p[i] = LoadFunction(S, f->source);
  }
}

// ---- static check of one loaded prototype ----

bool validreg(const Proto* f, int r) { return r >= 0 && r < f->maxstacksize; }

bool validrk(const Proto* f, int r) { return r < MAXSTACK ? validreg(f, r) : (r - MAXSTACK) < f->sizek; }

// True when instruction i takes the open result list of a call whose function register is
// `callreg` (the results start there and end at the stack top): its own values must start at
// or below callreg, so that the top never lies below them.
bool takesopenresults(Instruction i, int callreg) {
  int a = GETARG_A(i);
  switch (GET_OPCODE(i)) {
    case OP_CALL:
    case OP_TAILCALL: return GETARG_B(i) == 0 && a < callreg;
    case OP_RETURN: return GETARG_B(i) == 0 && a <= callreg;
    case OP_SETLISTO: return a < callreg;
    default: return false;
  }
}

// Checks everything the virtual machine relies on without checking it again at run time:
// register and constant operands, jump destinations, the instructions that must follow tests,
// open calls and closures, and upvalue indices. `ismain`: the chunk's function gets a closure
// with no upvalues.
bool checkproto(const Proto* f, bool ismain) {
  if (f->maxstacksize > MAXSTACK) return false;
  if (f->numparams + (f->is_vararg ? 1 : 0) > f->maxstacksize) return false;
  if (ismain && f->nupvalues > 0) return false;
  if (f->sizelineinfo != 0 && f->sizelineinfo != f->sizecode) return false;
  if (f->sizecode < 1 || GET_OPCODE(f->code[f->sizecode - 1]) != OP_RETURN) return false;
  const int n = f->sizecode;
  for (int pc = 0; pc < n; pc++) {
    Instruction i = f->code[pc];
    int opnum = static_cast<int>((i >> POS_OP) & MASK1(SIZE_OP, 0));
    if (opnum >= NUM_OPCODES) return false;
    OpCode op = static_cast<OpCode>(opnum);
    int a = GETARG_A(i);
    int b = 0, c = 0;
    if (!validreg(f, a)) return false;
    switch (getOpMode(op)) {
      case iABC:
        b = GETARG_B(i);
        c = GETARG_C(i);
        if (testOpMode(op, OpModeBreg)) {
          if (!validreg(f, b)) return false;
        } else if (testOpMode(op, OpModeBrk)) {
          if (!validrk(f, b)) return false;
        }
        if (testOpMode(op, OpModeCrk) && !validrk(f, c)) return false;
        break;
      case iABx:
        b = GETARG_Bx(i);
        if (testOpMode(op, OpModeK) && b >= f->sizek) return false;
        break;
      case iAsBx: {
        b = GETARG_sBx(i);
        int dest = pc + 1 + b;
        if (dest < 0 || dest >= n) return false;
        break;
      }
    }
    if (testOpMode(op, OpModeT)) {
      if (pc + 2 >= n) return false;
      if (GET_OPCODE(f->code[pc + 1]) != OP_JMP) return false;
    }
    switch (op) {
      case OP_LOADBOOL:
        if (c && pc + 2 >= n) return false;
        break;
      case OP_LOADNIL:
        if (b < a) break;  // an empty range sets nothing
        break;
      case OP_GETUPVAL:
      case OP_SETUPVAL:
        if (b >= f->nupvalues) return false;
        break;
      case OP_GETGLOBAL:
      case OP_SETGLOBAL:
        if (!ttisstring(&f->k[b])) return false;
        break;
      case OP_SELF:
        if (!validreg(f, a + 1)) return false;
        break;
      case OP_CONCAT:
        if (c >= MAXSTACK || b >= c || !validreg(f, c)) return false;
        break;
      case OP_TFORLOOP:
        if (!validreg(f, a + c + 5)) return false;
        break;
      case OP_FORLOOP:
        if (!validreg(f, a + 2)) return false;
        break;
      case OP_TFORPREP:
        if (!validreg(f, a + 1)) return false;
        break;
      case OP_CALL:
      case OP_TAILCALL:
        if (b != 0 && !validreg(f, a + b - 1)) return false;
        if (c == 0) {
          if (pc + 1 >= n || !takesopenresults(f->code[pc + 1], a)) return false;
        } else if (c > 1 && !validreg(f, a + c - 2)) {
          return false;
        }
        break;
      case OP_RETURN:
        if (b > 1 && !validreg(f, a + b - 2)) return false;
        break;
      case OP_SETLIST:
      case OP_SETLISTO:
        if (!validreg(f, a + (b % LFIELDS_PER_FLUSH) + 1) && op == OP_SETLIST) return false;
        break;
      case OP_CLOSURE: {
        if (b >= f->sizep || f->p[b] == nullptr) return false;
        int nup = f->p[b]->nupvalues;
        if (pc + nup >= n) return false;
        for (int j = 1; j <= nup; j++) {
          Instruction u = f->code[pc + j];
          OpCode uop = GET_OPCODE(u);
          if (uop == OP_MOVE) {
            if (!validreg(f, GETARG_B(u))) return false;
          } else if (uop == OP_GETUPVAL) {
            if (GETARG_B(u) >= f->nupvalues) return false;
          } else {
            return false;
          }
        }
        pc += nup;  // the pseudo-instructions are checked
        break;
      }
      default: break;
    }
  }
  return true;
}

Proto* LoadFunction(LoadState* S, TString* p) {
  if (++S->depth > kMaxNesting) badcode(S);
  lua_State* L = S->L;
  Proto* f = luaF_newproto(L);
  // Keep the prototype reachable while its parts are loaded.
  setgcovalue(L->top, f, LUA_TPROTO);
  incr_top(L);
  f->source = LoadString(S, false);
  if (f->source == nullptr) f->source = p ? p : luaS_newliteral(L, "=?");
  f->lineDefined = LoadInt(S);
  f->nupvalues = static_cast<lu_byte>(LoadByte(S));
  f->numparams = static_cast<lu_byte>(LoadByte(S));
  f->is_vararg = static_cast<lu_byte>(LoadByte(S));
  f->maxstacksize = static_cast<lu_byte>(LoadByte(S));
  LoadLines(S, f);
  LoadLocals(S, f);
  LoadUpvalues(S, f);
  LoadConstants(S, f);
  LoadCode(S, f);
  if (!checkproto(f, S->depth == 1) || !luaG_checkcode(f)) badcode(S);
  L->top--;
  S->depth--;
  return f;
}

void LoadHeader(LoadState* S) {
  const char* sig = LUA_SIGNATURE;
  for (int i = 0; sig[i] != 0; i++)
    if (LoadByte(S) != static_cast<unsigned char>(sig[i])) loaderror(S, "bad signature in %s");
  int version = LoadByte(S);
  if (version > VERSION) {
    luaO_pushfstring(S->L, "%s too new: read version %d.%d; expected at most %d.%d", S->name, version >> 4,
                     version & 0xF, VERSION >> 4, VERSION & 0xF);
    luaD_throw(S->L, LUA_ERRSYNTAX);
  }
  if (version < VERSION) {
    luaO_pushfstring(S->L, "%s too old: read version %d.%d; expected at least %d.%d", S->name, version >> 4,
                     version & 0xF, VERSION >> 4, VERSION & 0xF);
    luaD_throw(S->L, LUA_ERRSYNTAX);
  }
  S->swap = (LoadByte(S) != luaU_endianness());
  static const struct {
    const char* what;
    int size;
  } sizes[] = {{"int", 4},    {"size_t", 4}, {"Instruction", 4}, {"OP", SIZE_OP},
               {"A", SIZE_A}, {"B", SIZE_B}, {"C", SIZE_C},      {"number", 8}};
  for (const auto& s : sizes) {
    int r = LoadByte(S);
    if (r != s.size) {
      luaO_pushfstring(S->L, "virtual machine mismatch in %s: size of %s is %d but read %d", S->name, s.what, s.size,
                       r);
      luaD_throw(S->L, LUA_ERRSYNTAX);
    }
  }
  lua_Number x = LoadNumber(S);
  // Only the integer part is compared (also rejects NaN).
  if (!(x >= 31415926.0 && x < 31415927.0)) loaderror(S, "unknown number format in %s");
}

}  // namespace

Proto* luaU_undump(lua_State* L, ZIO* Z, Mbuffer* buff) {
  LoadState S;
  const char* s = zname(Z) ? zname(Z) : "?";
  if (*s == '@' || *s == '=')
    S.name = s + 1;
  else if (*s == LUA_SIGNATURE[0])
    S.name = "binary string";
  else
    S.name = s;
  S.L = L;
  S.Z = Z;
  S.b = buff;
  S.swap = false;
  S.depth = 0;
  LoadHeader(&S);
  return LoadFunction(&S, nullptr);
}
