// Parser (see parser.h): grammar, scoping, loops with numbered break/continue, constructors.
#include "parser.h"

#include <cmath>
#include <cstring>

#include "codegen.h"
#include "do.h"
#include "func.h"
#include "mem.h"
#include "sstring.h"
#include "state.h"
#include "table.h"

// One open block. Loop blocks (isbreakable) collect the jumps of break and continue.
struct BlockCnt {
  BlockCnt* previous;
  int breaklist;     // jumps leaving the loop
  int continuelist;  // jumps to the loop's next iteration
  int nactvar;       // active locals outside the block
  bool upval;        // some local of the block is captured by a closure
  bool isbreakable;  // a loop
};

namespace {

// Loop numbers after break and continue select the N-th enclosing loop.
constexpr int kMaxLoopNumber = 100;
// Largest constructor size hint (array items or hash nodes) taken from source.
constexpr lua_Number kMaxSizeHint = 16777216.0;

struct LHS_assign {
  LHS_assign* prev;
  expdesc v;
};

struct ConsControl {
  expdesc v;    // last list item read
  expdesc* t;   // table descriptor
  int nh;       // named fields
  int na;       // list items
  int tostore;  // list items pending
};

// Operator priorities (left, right), indexed by BinOpr.
const struct {
  lu_byte left;
  lu_byte right;
} priority[] = {
    {6, 6},  {6, 6}, {7, 7}, {7, 7},                  // + - * /
    {8, 8},  {8, 8}, {8, 8}, {8, 8},                  // & | << >>
    {10, 9},                                          // ^ (right associative)
    {5, 4},                                           // .. (right associative)
    {3, 3},  {3, 3}, {3, 3}, {3, 3}, {3, 3}, {3, 3},  // comparisons
    {2, 2},  {1, 1}                                   // and, or
};

constexpr int UNARY_PRIORITY = 8;

void chunk(LexState* ls);
void expr(LexState* ls, expdesc* v);

inline void next(LexState* ls) {
  ls->lastline = ls->linenumber;
  if (ls->lookahead.token != TK_EOS) {
    ls->t = ls->lookahead;
    ls->lookahead.token = TK_EOS;
  } else {
    ls->t.token = luaX_lex(ls, &ls->t.seminfo);
  }
}

void lookahead(LexState* ls) { ls->lookahead.token = luaX_lex(ls, &ls->lookahead.seminfo); }

[[noreturn]] void error_expected(LexState* ls, int token) {
  luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected", luaX_token2str(ls, token)));
}

bool testnext(LexState* ls, int c) {
  if (ls->t.token == c) {
    next(ls);
    return true;
  }
  return false;
}

void check(LexState* ls, int c) {
  if (!testnext(ls, c)) error_expected(ls, c);
}

inline void check_condition(LexState* ls, bool c, const char* msg) {
  if (!c) luaX_syntaxerror(ls, msg);
}

void check_match(LexState* ls, int what, int who, int where) {
  if (!testnext(ls, what)) {
    if (where == ls->linenumber) error_expected(ls, what);
    const char* w = luaX_token2str(ls, what);
    const char* o = luaX_token2str(ls, who);
    luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "`%s' expected (to close `%s' at line %d)", w, o, where));
  }
}

TString* str_checkname(LexState* ls) {
  check_condition(ls, ls->t.token == TK_NAME, "<name> expected");
  TString* ts = ls->t.seminfo.ts;
  next(ls);
  return ts;
}

inline void init_exp(expdesc* e, expkind k, int i) {
  e->f = e->t = NO_JUMP;
  e->k = k;
  e->info = i;
  e->aux = 0;
}

void codestring(LexState* ls, expdesc* e, TString* s) { init_exp(e, VK, luaK_stringK(ls->fs, s)); }

void checkname(LexState* ls, expdesc* e) { codestring(ls, e, str_checkname(ls)); }

// Every recursive production counts one syntax level, so that deep nesting ends in a
// message long before the native stack runs out.
inline void enterlevel(LexState* ls) {
  if (++ls->nestlevel > MAXPARSERLEVEL) luaX_syntaxerror(ls, "too many syntax levels");
}
inline void leavelevel(LexState* ls) { ls->nestlevel--; }

int luaI_registerlocalvar(LexState* ls, TString* varname) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  int oldsize = f->sizelocvars;
  luaM_growvector(ls->L, f->locvars, fs->nlocvars, f->sizelocvars, LocVar, MAX_INT_LIMIT, "too many local variables");
  for (int i = oldsize; i < f->sizelocvars; i++) f->locvars[i].varname = nullptr;
  f->locvars[fs->nlocvars].varname = varname;
  f->locvars[fs->nlocvars].startpc = 0;
  f->locvars[fs->nlocvars].endpc = 0;
  return fs->nlocvars++;
}

inline LocVar& getlocvar(FuncState* fs, int i) { return fs->f->locvars[fs->actvar[i]]; }

void new_localvar(LexState* ls, TString* name, int n) {
  FuncState* fs = ls->fs;
  luaX_checklimit(ls, fs->nactvar + n + 1, MAXVARS, "local variables");
  fs->actvar[fs->nactvar + n] = luaI_registerlocalvar(ls, name);
}

void new_localvarstr(LexState* ls, const char* name, int n) { new_localvar(ls, luaS_new(ls->L, name), n); }

void adjustlocalvars(LexState* ls, int nvars) {
  FuncState* fs = ls->fs;
  fs->nactvar += nvars;
  for (; nvars; nvars--) getlocvar(fs, fs->nactvar - nvars).startpc = fs->pc;
}

void removevars(LexState* ls, int tolevel) {
  FuncState* fs = ls->fs;
  while (fs->nactvar > tolevel) getlocvar(fs, --fs->nactvar).endpc = fs->pc;
}

void create_local(LexState* ls, const char* name) {
  new_localvarstr(ls, name, 0);
  adjustlocalvars(ls, 1);
}

int indexupvalue(FuncState* fs, TString* name, expdesc* v) {
  Proto* f = fs->f;
  for (int i = 0; i < f->nupvalues; i++) {
    if (fs->upvalues[i].k == v->k && fs->upvalues[i].info == v->info) return i;
  }
  luaX_checklimit(fs->ls, f->nupvalues + 1, MAXUPVALUES, "upvalues");
  int oldsize = f->sizeupvalues;
  luaM_growvector(fs->L, f->upvalues, f->nupvalues, f->sizeupvalues, TString*, MAX_INT_LIMIT, "");
  for (int i = oldsize; i < f->sizeupvalues; i++) f->upvalues[i] = nullptr;
  f->upvalues[f->nupvalues] = name;
  fs->upvalues[f->nupvalues] = *v;
  return f->nupvalues++;
}

int searchvar(FuncState* fs, TString* n) {
  for (int i = fs->nactvar - 1; i >= 0; i--) {
    if (n == getlocvar(fs, i).varname) return i;
  }
  return -1;
}

// The innermost open block whose locals include register `level` must close upvalues.
void markupval(FuncState* fs, int level) {
  BlockCnt* bl = fs->bl;
  while (bl && bl->nactvar > level) bl = bl->previous;
  if (bl) bl->upval = true;
}

void singlevaraux(FuncState* fs, TString* n, expdesc* var, int base) {
  if (fs == nullptr) {
    init_exp(var, VGLOBAL, NO_REG);
    return;
  }
  int v = searchvar(fs, n);
  if (v >= 0) {
    init_exp(var, VLOCAL, v);
    if (!base) markupval(fs, v);
    return;
  }
  singlevaraux(fs->prev, n, var, 0);
  if (var->k == VGLOBAL) {
    if (base) var->info = luaK_stringK(fs, n);
  } else {
    var->info = indexupvalue(fs, n, var);
    var->k = VUPVAL;
  }
}

void singlevar(LexState* ls, expdesc* var, int base) { singlevaraux(ls->fs, str_checkname(ls), var, base); }

void adjust_assign(LexState* ls, int nvars, int nexps, expdesc* e) {
  FuncState* fs = ls->fs;
  int extra = nvars - nexps;
  if (e->k == VCALL) {
    extra++;  // the call itself
    if (extra <= 0)
      extra = 0;
    else
      luaK_reserveregs(fs, extra - 1);
    luaK_setcallreturns(fs, e, extra);  // the call provides the difference
  } else {
    if (e->k != VVOID) luaK_exp2nextreg(fs, e);
    if (extra > 0) {
      int reg = fs->freereg;
      luaK_reserveregs(fs, extra);
      luaK_nil(fs, reg, extra);
    }
  }
}

void enterblock(FuncState* fs, BlockCnt* bl, bool isbreakable) {
  bl->breaklist = NO_JUMP;
  bl->continuelist = NO_JUMP;
  bl->isbreakable = isbreakable;
  bl->nactvar = fs->nactvar;
  bl->upval = false;
  bl->previous = fs->bl;
  fs->bl = bl;
}

void leaveblock(FuncState* fs) {
  BlockCnt* bl = fs->bl;
  fs->bl = bl->previous;
  removevars(fs->ls, bl->nactvar);
  if (bl->upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  fs->freereg = fs->nactvar;
  luaK_patchtohere(fs, bl->breaklist);
}

// Keeps a value on the stack so that the collector sees it while the parser holds it.
void anchor(lua_State* L, const TObject* o) {
  setobj(L->top, o);
  incr_top(L);
}

void open_func(LexState* ls, FuncState* fs) {
  lua_State* L = ls->L;
  Proto* f = luaF_newproto(L);
  fs->f = f;
  fs->prev = ls->fs;
  fs->ls = ls;
  fs->L = L;
  ls->fs = fs;
  fs->pc = 0;
  fs->lasttarget = 0;
  fs->jpc = NO_JUMP;
  fs->freereg = 0;
  fs->nk = 0;
  fs->np = 0;
  fs->nlocvars = 0;
  fs->nactvar = 0;
  fs->bl = nullptr;
  f->source = ls->source;
  f->maxstacksize = 2;  // registers 0 and 1 are always valid
  TObject o;
  setgcovalue(&o, f, LUA_TPROTO);
  anchor(L, &o);
  fs->h = luaH_new(L, 0, 0);
  sethvalue(&o, fs->h);
  anchor(L, &o);
}

void close_func(LexState* ls) {
  lua_State* L = ls->L;
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  removevars(ls, 0);
  luaK_codeABC(fs, OP_RETURN, 0, 1, 0);  // final return
  luaM_reallocvector(L, f->code, f->sizecode, fs->pc, Instruction);
  f->sizecode = fs->pc;
  luaM_reallocvector(L, f->lineinfo, f->sizelineinfo, fs->pc, int);
  f->sizelineinfo = fs->pc;
  luaM_reallocvector(L, f->k, f->sizek, fs->nk, TObject);
  f->sizek = fs->nk;
  luaM_reallocvector(L, f->p, f->sizep, fs->np, Proto*);
  f->sizep = fs->np;
  luaM_reallocvector(L, f->locvars, f->sizelocvars, fs->nlocvars, LocVar);
  f->sizelocvars = fs->nlocvars;
  luaM_reallocvector(L, f->upvalues, f->sizeupvalues, f->nupvalues, TString*);
  f->sizeupvalues = f->nupvalues;
  ls->fs = fs->prev;
  L->top -= 2;  // the prototype and its constant table
}

// ---- expressions ----

void luaY_field(LexState* ls, expdesc* v) {
  FuncState* fs = ls->fs;
  expdesc key;
  luaK_exp2anyreg(fs, v);
  next(ls);  // skip the point or colon
  checkname(ls, &key);
  luaK_indexed(fs, v, &key);
}

void luaY_index(LexState* ls, expdesc* v) {
  next(ls);  // skip '['
  expr(ls, v);
  luaK_exp2val(ls->fs, v);
  check(ls, ']');
}

void recfield(LexState* ls, ConsControl* cc) {
  FuncState* fs = ls->fs;
  int reg = ls->fs->freereg;
  expdesc key, val;
  if (ls->t.token == TK_NAME) {
    luaX_checklimit(ls, cc->nh, MAX_INT_LIMIT, "items in a constructor");
    cc->nh++;
    checkname(ls, &key);
  } else {
    luaY_index(ls, &key);
  }
  check(ls, '=');
  luaK_exp2RK(fs, &key);
  expr(ls, &val);
  luaK_codeABC(fs, OP_SETTABLE, cc->t->info, luaK_exp2RK(fs, &key), luaK_exp2RK(fs, &val));
  fs->freereg = reg;
}

void closelistfield(FuncState* fs, ConsControl* cc) {
  if (cc->v.k == VVOID) return;
  luaK_exp2nextreg(fs, &cc->v);
  cc->v.k = VVOID;
  if (cc->tostore == LFIELDS_PER_FLUSH) {
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, static_cast<unsigned>(cc->na - 1));
    cc->tostore = 0;
    fs->freereg = cc->t->info + 1;
  }
}

void lastlistfield(FuncState* fs, ConsControl* cc) {
  if (cc->tostore == 0) return;
  if (cc->v.k == VCALL) {
    luaK_setcallreturns(fs, &cc->v, LUA_MULTRET);
    luaK_codeABx(fs, OP_SETLISTO, cc->t->info, static_cast<unsigned>(cc->na - 1));
  } else {
    if (cc->v.k != VVOID) luaK_exp2nextreg(fs, &cc->v);
    luaK_codeABx(fs, OP_SETLIST, cc->t->info, static_cast<unsigned>(cc->na - 1));
  }
  fs->freereg = cc->t->info + 1;
}

void listfield(LexState* ls, ConsControl* cc) {
  expr(ls, &cc->v);
  luaX_checklimit(ls, cc->na, MAXARG_Bx, "items in a constructor");
  cc->na++;
  cc->tostore++;
}

// A size hint: the numeral after '&', truncated and clamped to 0..2^24.
int sizehint(LexState* ls) {
  int line = ls->linenumber;
  next(ls);  // skip '&'
  if (ls->t.token != TK_NUMBER)
    luaX_syntaxerror(ls, luaO_pushfstring(ls->L, "size expected following & (line %d)", line));
  lua_Number n = ls->t.seminfo.r;
  next(ls);
  if (!(n > 0)) return 0;  // also NaN
  if (n > kMaxSizeHint) n = kMaxSizeHint;
  return static_cast<int>(n);
}

void constructor(LexState* ls, expdesc* t) {
  FuncState* fs = ls->fs;
  enterlevel(ls);
  int line = ls->linenumber;
  int pc = luaK_codeABC(fs, OP_NEWTABLE, 0, 0, 0);
  ConsControl cc;
  cc.na = cc.nh = cc.tostore = 0;
  cc.t = t;
  init_exp(t, VRELOCABLE, pc);
  init_exp(&cc.v, VVOID, 0);
  luaK_exp2nextreg(ls->fs, t);  // the table lives at the stack top
  check(ls, '{');
  int hashhint = 0, arrayhint = 0;
  if (ls->t.token == '&') {
    hashhint = sizehint(ls);
    if (ls->t.token == '&') arrayhint = sizehint(ls);
  }
  testnext(ls, ';');
  do {
    if (ls->t.token == '}') break;
    closelistfield(fs, &cc);
    switch (ls->t.token) {
      case TK_NAME:
        lookahead(ls);
        if (ls->lookahead.token != '=')
          listfield(ls, &cc);
        else
          recfield(ls, &cc);
        break;
      case '[': recfield(ls, &cc); break;
      default: listfield(ls, &cc); break;
    }
  } while (testnext(ls, ',') || testnext(ls, ';'));
  check_match(ls, '}', '{', line);
  lastlistfield(fs, &cc);
  int na = cc.na > arrayhint ? cc.na : arrayhint;
  int nh = cc.nh > hashhint ? cc.nh : hashhint;
  SETARG_B(fs->f->code[pc], luaO_int2fb(static_cast<unsigned>(na)));
  SETARG_C(fs->f->code[pc], luaO_log2(static_cast<unsigned>(nh)) + 1);
  leavelevel(ls);
}

void code_params(LexState* ls, int nparams, bool dots) {
  FuncState* fs = ls->fs;
  adjustlocalvars(ls, nparams);
  luaX_checklimit(ls, fs->nactvar, MAXPARAMS, "parameters");
  fs->f->numparams = static_cast<lu_byte>(fs->nactvar);
  fs->f->is_vararg = dots;
  if (dots) create_local(ls, "arg");
  luaK_reserveregs(fs, fs->nactvar);
}

void parlist(LexState* ls) {
  int nparams = 0;
  bool dots = false;
  if (ls->t.token != ')') {
    do {
      switch (ls->t.token) {
        case TK_DOTS:
          dots = true;
          next(ls);
          break;
        case TK_NAME: new_localvar(ls, str_checkname(ls), nparams++); break;
        default: luaX_syntaxerror(ls, "<name> or `...' expected");
      }
    } while (!dots && testnext(ls, ','));
  }
  code_params(ls, nparams, dots);
}

void pushclosure(LexState* ls, FuncState* func, expdesc* v) {
  FuncState* fs = ls->fs;
  Proto* f = fs->f;
  if (fs->np >= MAXARG_Bx) luaX_syntaxerror(ls, "constant table overflow");
  int oldsize = f->sizep;
  luaM_growvector(ls->L, f->p, fs->np, f->sizep, Proto*, MAXARG_Bx, "constant table overflow");
  for (int i = oldsize; i < f->sizep; i++) f->p[i] = nullptr;
  f->p[fs->np++] = func->f;
  init_exp(v, VRELOCABLE, luaK_codeABx(fs, OP_CLOSURE, 0, static_cast<unsigned>(fs->np - 1)));
  for (int i = 0; i < func->f->nupvalues; i++) {
    OpCode o = (func->upvalues[i].k == VLOCAL) ? OP_MOVE : OP_GETUPVAL;
    luaK_codeABC(fs, o, 0, func->upvalues[i].info, 0);
  }
}

void body(LexState* ls, expdesc* e, bool needself, int line) {
  FuncState new_fs;
  enterlevel(ls);
  open_func(ls, &new_fs);
  new_fs.f->lineDefined = line;
  check(ls, '(');
  if (needself) create_local(ls, "self");
  parlist(ls);
  check(ls, ')');
  chunk(ls);
  check_match(ls, TK_END, TK_FUNCTION, line);
  close_func(ls);
  pushclosure(ls, &new_fs, e);
  leavelevel(ls);
}

int explist1(LexState* ls, expdesc* v) {
  int n = 1;
  expr(ls, v);
  while (testnext(ls, ',')) {
    luaK_exp2nextreg(ls->fs, v);
    expr(ls, v);
    n++;
  }
  return n;
}

void funcargs(LexState* ls, expdesc* f) {
  FuncState* fs = ls->fs;
  expdesc args;
  int line = ls->linenumber;
  switch (ls->t.token) {
    case '(':
      if (line != ls->lastline) luaX_syntaxerror(ls, "ambiguous syntax (function call x new statement)");
      next(ls);
      if (ls->t.token == ')') {
        args.k = VVOID;
      } else {
        explist1(ls, &args);
        luaK_setcallreturns(fs, &args, LUA_MULTRET);
      }
      check_match(ls, ')', '(', line);
      break;
    case '{': constructor(ls, &args); break;
    case TK_STRING:
      codestring(ls, &args, ls->t.seminfo.ts);
      next(ls);
      break;
    case TK_WSTRING:
      init_exp(&args, VK, luaK_wstringK(fs, ls->t.seminfo.ts));
      next(ls);
      break;
    default: luaX_syntaxerror(ls, "function arguments expected");
  }
  int base = f->info;  // the function's register
  int nparams;
  if (args.k == VCALL) {
    nparams = LUA_MULTRET;  // open call
  } else {
    if (args.k != VVOID) luaK_exp2nextreg(fs, &args);
    nparams = fs->freereg - (base + 1);
  }
  init_exp(f, VCALL, luaK_codeABC(fs, OP_CALL, base, nparams + 1, 2));
  luaK_fixline(fs, line);
  fs->freereg = base + 1;  // the call leaves one result unless told otherwise
}

void prefixexp(LexState* ls, expdesc* v) {
  switch (ls->t.token) {
    case '(': {
      int line = ls->linenumber;
      next(ls);
      expr(ls, v);
      check_match(ls, ')', '(', line);
      luaK_dischargevars(ls->fs, v);
      return;
    }
    case TK_NAME: singlevar(ls, v, 1); return;
    default: luaX_syntaxerror(ls, "unexpected symbol");
  }
}

void primaryexp(LexState* ls, expdesc* v) {
  FuncState* fs = ls->fs;
  prefixexp(ls, v);
  for (;;) {
    switch (ls->t.token) {
      case '.': luaY_field(ls, v); break;
      case '[': {
        expdesc key;
        luaK_exp2anyreg(fs, v);
        luaY_index(ls, &key);
        luaK_indexed(fs, v, &key);
        break;
      }
      case ':': {
        expdesc key;
        next(ls);
        checkname(ls, &key);
        luaK_self(fs, v, &key);
        funcargs(ls, v);
        break;
      }
      case '(':
      case TK_STRING:
      case TK_WSTRING:
      case '{':
        luaK_exp2nextreg(fs, v);
        funcargs(ls, v);
        break;
      default: return;
    }
  }
}

void simpleexp(LexState* ls, expdesc* v) {
  switch (ls->t.token) {
    case TK_NUMBER:
      init_exp(v, VK, luaK_numberK(ls->fs, ls->t.seminfo.r));
      next(ls);
      break;
    case TK_STRING:
      codestring(ls, v, ls->t.seminfo.ts);
      next(ls);
      break;
    case TK_WSTRING:
      init_exp(v, VK, luaK_wstringK(ls->fs, ls->t.seminfo.ts));
      next(ls);
      break;
    case TK_NIL:
      init_exp(v, VNIL, 0);
      next(ls);
      break;
    case TK_TRUE:
      init_exp(v, VTRUE, 0);
      next(ls);
      break;
    case TK_FALSE:
      init_exp(v, VFALSE, 0);
      next(ls);
      break;
    case '{': constructor(ls, v); break;
    case TK_FUNCTION:
      next(ls);
      body(ls, v, false, ls->linenumber);
      break;
    default: primaryexp(ls, v); break;
  }
}

UnOpr getunopr(int op) {
  switch (op) {
    case TK_NOT: return OPR_NOT;
    case '-': return OPR_MINUS;
    default: return OPR_NOUNOPR;
  }
}

BinOpr getbinopr(int op) {
  switch (op) {
    case '+': return OPR_ADD;
    case '-': return OPR_SUB;
    case '*': return OPR_MULT;
    case '/': return OPR_DIV;
    case '&': return OPR_BAND;
    case '|': return OPR_BOR;
    case TK_SHL: return OPR_SHL;
    case TK_SHR: return OPR_SHR;
    case '^': return OPR_POW;
    case TK_CONCAT: return OPR_CONCAT;
    case TK_NE: return OPR_NE;
    case TK_EQ: return OPR_EQ;
    case '<': return OPR_LT;
    case TK_LE: return OPR_LE;
    case '>': return OPR_GT;
    case TK_GE: return OPR_GE;
    case TK_AND: return OPR_AND;
    case TK_OR: return OPR_OR;
    default: return OPR_NOBINOPR;
  }
}

// subexpr -> (simpleexp | unop subexpr) { binop subexpr }, where each binop's left priority
// exceeds `limit`. Returns the first operator that was not consumed.
BinOpr subexpr(LexState* ls, expdesc* v, int limit) {
  enterlevel(ls);
  UnOpr uop = getunopr(ls->t.token);
  if (uop != OPR_NOUNOPR) {
    next(ls);
    subexpr(ls, v, UNARY_PRIORITY);
    luaK_prefix(ls->fs, uop, v);
  } else {
    simpleexp(ls, v);
  }
  BinOpr op = getbinopr(ls->t.token);
  while (op != OPR_NOBINOPR && priority[op].left > limit) {
    expdesc v2;
    next(ls);
    luaK_infix(ls->fs, op, v);
    BinOpr nextop = subexpr(ls, &v2, priority[op].right);
    luaK_posfix(ls->fs, op, v, &v2);
    op = nextop;
  }
  leavelevel(ls);
  return op;
}

void expr(LexState* ls, expdesc* v) { subexpr(ls, v, -1); }

// ---- statements ----

bool block_follow(int token) {
  switch (token) {
    case TK_ELSE:
    case TK_ELSEIF:
    case TK_END:
    case TK_UNTIL:
    case TK_EOS: return true;
    default: return false;
  }
}

void block(LexState* ls) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  enterblock(fs, &bl, false);
  chunk(ls);
  leaveblock(fs);
}

// When a later target of a multiple assignment is a local that an earlier indexed target
// uses as table or key, the earlier target reads a copy made before any store.
void check_conflict(LexState* ls, LHS_assign* lh, expdesc* v) {
  FuncState* fs = ls->fs;
  int extra = fs->freereg;
  bool conflict = false;
  for (; lh; lh = lh->prev) {
    if (lh->v.k == VINDEXED) {
      if (lh->v.info == v->info) {
        conflict = true;
        lh->v.info = extra;
      }
      if (lh->v.aux == v->info) {
        conflict = true;
        lh->v.aux = extra;
      }
    }
  }
  if (conflict) {
    luaK_codeABC(fs, OP_MOVE, fs->freereg, v->info, 0);
    luaK_reserveregs(fs, 1);
  }
}

void assignment(LexState* ls, LHS_assign* lh, int nvars) {
  expdesc e;
  check_condition(ls, VLOCAL <= lh->v.k && lh->v.k <= VINDEXED, "syntax error");
  if (testnext(ls, ',')) {
    LHS_assign nv;
    nv.prev = lh;
    enterlevel(ls);
    primaryexp(ls, &nv.v);
    if (nv.v.k == VLOCAL) check_conflict(ls, lh, &nv.v);
    assignment(ls, &nv, nvars + 1);
    leavelevel(ls);
  } else {
    check(ls, '=');
    int nexps = explist1(ls, &e);
    if (nexps != nvars) {
      adjust_assign(ls, nvars, nexps, &e);
      if (nexps > nvars) ls->fs->freereg -= nexps - nvars;  // drop the extra values
    } else {
      luaK_setcallreturns(ls->fs, &e, 1);
      luaK_storevar(ls->fs, &lh->v, &e);
      return;
    }
  }
  init_exp(&e, VNONRELOC, ls->fs->freereg - 1);  // values are stored from last to first
  luaK_storevar(ls->fs, &lh->v, &e);
}

int cond(LexState* ls) {
  expdesc v;
  expr(ls, &v);
  if (v.k == VNIL) v.k = VFALSE;  // all false values are equal here
  luaK_goiftrue(ls->fs, &v);
  luaK_patchtohere(ls->fs, v.t);
  return v.f;
}

// break [N] / continue [N]: leave, or go to the next iteration of, the N-th enclosing loop.
// Both close the captured locals of every block they leave, up to and including the body of
// the target loop, so that closures made in the iteration keep that iteration's values.
void loopjumpstat(LexState* ls, bool isbreak) {
  FuncState* fs = ls->fs;
  next(ls);  // skip BREAK or CONTINUE
  int n = 1;
  if (ls->t.token == TK_NUMBER) {
    lua_Number r = ls->t.seminfo.r;
    if (r != std::floor(r)) luaX_syntaxerror(ls, "loop block number must be integer");
    if (r < 1 || r > kMaxLoopNumber) luaX_syntaxerror(ls, "loop block number out of range");
    n = static_cast<int>(r);
    next(ls);
  }
  BlockCnt* bl = fs->bl;
  BlockCnt* innermost = nullptr;  // the first loop passed on the way out
  bool upval = false;
  for (int count = n - 1; count >= 0; count--) {
    while (bl && !bl->isbreakable) {
      upval |= bl->upval;
      bl = bl->previous;
    }
    if (!bl) luaX_syntaxerror(ls, isbreak ? "no loop to break" : "no loop to continue");
    if (!innermost) innermost = bl;
    if (count > 0) {
      upval |= bl->upval;
      bl = bl->previous;
    }
  }
  // Leaving an inner loop: a local declared between it and the target may still be captured
  // further down inside the inner loop (an earlier pass of that loop then made the closure),
  // so the capture flags are not final yet; close whenever such locals exist.
  if (n > 1 && innermost->nactvar > bl->nactvar) upval = true;
  if (upval) luaK_codeABC(fs, OP_CLOSE, bl->nactvar, 0, 0);
  luaK_concat(fs, isbreak ? &bl->breaklist : &bl->continuelist, luaK_jump(fs));
}

void whilestat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  Instruction codeexp[MAXEXPWHILE];
  BlockCnt bl;
  expdesc v;
  next(ls);                       // skip WHILE
  int whileinit = luaK_jump(fs);  // to the condition, which is moved after the body
  int expinit = luaK_getlabel(fs);
  expr(ls, &v);
  if (v.k == VK) v.k = VTRUE;  // all true constants are equal here
  int lineexp = ls->linenumber;
  luaK_goiffalse(fs, &v);
  luaK_concat(fs, &v.f, fs->jpc);
  fs->jpc = NO_JUMP;
  int sizeexp = fs->pc - expinit;
  if (sizeexp > MAXEXPWHILE) luaX_syntaxerror(ls, "`while' condition too complex");
  for (int i = 0; i < sizeexp; i++) codeexp[i] = fs->f->code[expinit + i];
  fs->pc = expinit;  // cut the condition out
  enterblock(fs, &bl, true);
  check(ls, TK_DO);
  int blockinit = luaK_getlabel(fs);
  block(ls);
  luaK_patchtohere(fs, whileinit);
  luaK_patchtohere(fs, bl.continuelist);
  bl.continuelist = NO_JUMP;
  if (v.t != NO_JUMP) v.t += fs->pc - expinit;
  if (v.f != NO_JUMP) v.f += fs->pc - expinit;
  for (int i = 0; i < sizeexp; i++) luaK_code(fs, codeexp[i], lineexp);
  check_match(ls, TK_END, TK_WHILE, line);
  leaveblock(fs);
  luaK_patchlist(fs, v.t, blockinit);  // true goes back into the loop
  luaK_patchtohere(fs, v.f);           // false leaves it
}

void repeatstat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  int repeat_init = luaK_getlabel(fs);
  BlockCnt bl;
  enterblock(fs, &bl, true);
  next(ls);  // skip REPEAT
  block(ls);
  check_match(ls, TK_UNTIL, TK_REPEAT, line);
  luaK_patchtohere(fs, bl.continuelist);  // continue evaluates the condition
  bl.continuelist = NO_JUMP;
  int flist = cond(ls);
  luaK_patchlist(fs, flist, repeat_init);
  leaveblock(fs);
}

int exp1(LexState* ls) {
  expdesc e;
  expr(ls, &e);
  int k = e.k;
  luaK_exp2nextreg(ls->fs, &e);
  return k;
}

void forbody(LexState* ls, int base, int line, int nvars, bool isgen) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  adjustlocalvars(ls, nvars);  // scope of the control variables
  check(ls, TK_DO);
  enterblock(fs, &bl, true);  // the loop block
  int prep = luaK_getlabel(fs);
  block(ls);
  luaK_patchtohere(fs, prep - 1);
  luaK_patchtohere(fs, bl.continuelist);  // continue goes to the loop instruction
  bl.continuelist = NO_JUMP;
  int endfor = isgen ? luaK_codeABC(fs, OP_TFORLOOP, base, 0, nvars - 3) : luaK_codeAsBx(fs, OP_FORLOOP, base, NO_JUMP);
  luaK_fixline(fs, line);  // the loop instruction belongs to the `for' line
  luaK_patchlist(fs, isgen ? luaK_jump(fs) : endfor, prep);
  leaveblock(fs);
}

void fornum(LexState* ls, TString* varname, int line) {
  FuncState* fs = ls->fs;
  int base = fs->freereg;
  new_localvar(ls, varname, 0);
  new_localvarstr(ls, "(for limit)", 1);
  new_localvarstr(ls, "(for step)", 2);
  check(ls, '=');
  exp1(ls);  // initial value
  check(ls, ',');
  exp1(ls);  // limit
  if (testnext(ls, ',')) {
    exp1(ls);  // step
  } else {
    luaK_codeABx(fs, OP_LOADK, fs->freereg, static_cast<unsigned>(luaK_numberK(fs, 1)));
    luaK_reserveregs(fs, 1);
  }
  // The loop instruction adds the step before its first test.
  luaK_codeABC(fs, OP_SUB, fs->freereg - 3, fs->freereg - 3, fs->freereg - 1);
  luaK_jump(fs);
  forbody(ls, base, line, 3, false);
}

void forlist(LexState* ls, TString* indexname) {
  FuncState* fs = ls->fs;
  expdesc e;
  int nvars = 0;
  int base = fs->freereg;
  new_localvarstr(ls, "(for generator)", nvars++);
  new_localvarstr(ls, "(for state)", nvars++);
  new_localvar(ls, indexname, nvars++);
  while (testnext(ls, ',')) new_localvar(ls, str_checkname(ls), nvars++);
  check(ls, TK_IN);
  int line = ls->linenumber;  // the iterator call belongs to the line of the first expression
  adjust_assign(ls, nvars, explist1(ls, &e), &e);
  luaK_checkstack(fs, 3);  // room to call the generator
  luaK_codeAsBx(fs, OP_TFORPREP, base, NO_JUMP);
  forbody(ls, base, line, nvars, true);
}

void forstat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  BlockCnt bl;
  enterblock(fs, &bl, false);  // scope of the control variables, outside the loop block
  next(ls);                    // skip FOR
  TString* varname = str_checkname(ls);
  switch (ls->t.token) {
    case '=': fornum(ls, varname, line); break;
    case ',':
    case TK_IN: forlist(ls, varname); break;
    default: luaX_syntaxerror(ls, "`=' or `in' expected");
  }
  check_match(ls, TK_END, TK_FOR, line);
  leaveblock(fs);
}

int test_then_block(LexState* ls) {
  next(ls);  // skip IF or ELSEIF
  int flist = cond(ls);
  check(ls, TK_THEN);
  block(ls);
  return flist;
}

void ifstat(LexState* ls, int line) {
  FuncState* fs = ls->fs;
  int escapelist = NO_JUMP;
  int flist = test_then_block(ls);
  while (ls->t.token == TK_ELSEIF) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, flist);
    flist = test_then_block(ls);
  }
  if (ls->t.token == TK_ELSE) {
    luaK_concat(fs, &escapelist, luaK_jump(fs));
    luaK_patchtohere(fs, flist);
    next(ls);  // skip ELSE after the patch, for the line information
    block(ls);
  } else {
    luaK_concat(fs, &escapelist, flist);
  }
  luaK_patchtohere(fs, escapelist);
  check_match(ls, TK_END, TK_IF, line);
}

void localfunc(LexState* ls) {
  expdesc v, b;
  FuncState* fs = ls->fs;
  new_localvar(ls, str_checkname(ls), 0);
  init_exp(&v, VLOCAL, fs->freereg);
  luaK_reserveregs(fs, 1);
  adjustlocalvars(ls, 1);
  body(ls, &b, false, ls->linenumber);
  luaK_storevar(fs, &v, &b);
  // the debug information sees the variable only after the closure is stored
  getlocvar(fs, fs->nactvar - 1).startpc = fs->pc;
}

void localstat(LexState* ls) {
  int nvars = 0;
  int nexps;
  expdesc e;
  do { new_localvar(ls, str_checkname(ls), nvars++); } while (testnext(ls, ','));
  if (testnext(ls, '=')) {
    nexps = explist1(ls, &e);
  } else {
    e.k = VVOID;
    nexps = 0;
  }
  adjust_assign(ls, nvars, nexps, &e);
  adjustlocalvars(ls, nvars);
}

bool funcname(LexState* ls, expdesc* v) {
  bool needself = false;
  singlevar(ls, v, 1);
  while (ls->t.token == '.') luaY_field(ls, v);
  if (ls->t.token == ':') {
    needself = true;
    luaY_field(ls, v);
  }
  return needself;
}

void funcstat(LexState* ls, int line) {
  expdesc v, b;
  next(ls);  // skip FUNCTION
  bool needself = funcname(ls, &v);
  body(ls, &b, needself, line);
  luaK_storevar(ls->fs, &v, &b);
  luaK_fixline(ls->fs, line);  // the definition happens on the first line
}

void exprstat(LexState* ls) {
  FuncState* fs = ls->fs;
  LHS_assign v;
  primaryexp(ls, &v.v);
  if (v.v.k == VCALL) {
    luaK_setcallreturns(fs, &v.v, 0);  // a call statement keeps no results
  } else {
    v.prev = nullptr;
    assignment(ls, &v, 1);
  }
}

void retstat(LexState* ls) {
  FuncState* fs = ls->fs;
  expdesc e;
  int first, nret;
  next(ls);  // skip RETURN
  if (block_follow(ls->t.token) || ls->t.token == ';') {
    first = nret = 0;
  } else {
    nret = explist1(ls, &e);
    if (e.k == VCALL) {
      luaK_setcallreturns(fs, &e, LUA_MULTRET);
      if (nret == 1) SET_OPCODE(getcode(fs, &e), OP_TAILCALL);
      first = fs->nactvar;
      nret = LUA_MULTRET;
    } else if (nret == 1) {
      first = luaK_exp2anyreg(fs, &e);
    } else {
      luaK_exp2nextreg(fs, &e);  // the values must be consecutive
      first = fs->nactvar;
    }
  }
  luaK_codeABC(fs, OP_RETURN, first, nret + 1, 0);
}

// Returns true when the statement must be the last of its block.
bool statement(LexState* ls) {
  int line = ls->linenumber;
  switch (ls->t.token) {
    case TK_IF: ifstat(ls, line); return false;
    case TK_WHILE: whilestat(ls, line); return false;
    case TK_DO:
      next(ls);
      block(ls);
      check_match(ls, TK_END, TK_DO, line);
      return false;
    case TK_FOR: forstat(ls, line); return false;
    case TK_REPEAT: repeatstat(ls, line); return false;
    case TK_FUNCTION: funcstat(ls, line); return false;
    case TK_LOCAL:
      next(ls);
      if (testnext(ls, TK_FUNCTION))
        localfunc(ls);
      else
        localstat(ls);
      return false;
    case TK_RETURN: retstat(ls); return true;
    case TK_BREAK: loopjumpstat(ls, true); return true;
    case TK_CONTINUE: loopjumpstat(ls, false); return true;
    default: exprstat(ls); return false;
  }
}

void chunk(LexState* ls) {
  bool islast = false;
  enterlevel(ls);
  while (!islast && !block_follow(ls->t.token)) {
    islast = statement(ls);
    testnext(ls, ';');
    ls->fs->freereg = ls->fs->nactvar;  // free the statement's registers
  }
  leavelevel(ls);
}

}  // namespace

Proto* luaY_parser(lua_State* L, ZIO* z, Mbuffer* buff) {
  LexState lexstate;
  FuncState funcstate;
  lexstate.buff = buff;
  lexstate.nestlevel = 0;
  luaX_setinput(L, &lexstate, z, luaS_new(L, zname(z) ? zname(z) : "?"));
  open_func(&lexstate, &funcstate);
  next(&lexstate);  // first token
  chunk(&lexstate);
  check_condition(&lexstate, lexstate.t.token == TK_EOS, "<eof> expected");
  close_func(&lexstate);
  return funcstate.f;
}
