#include "disasm.h"

#include <cstdio>
#include <string>

#include "object.h"
#include "opcodes.h"

namespace scripttest {
namespace {

std::string quoteText(const TObject* o) {
  std::string out;
  char buf[64];
  switch (ttype(o)) {
    case LUA_TNIL: return "nil";
    case LUA_TNUMBER: std::snprintf(buf, sizeof buf, "%.14g", nvalue(o)); return buf;
    case LUA_TSTRING: {
      const TString* s = tsvalue(o);
      out = "\"";
      for (lu_int32 i = 0; i < s->len; i++) {
        unsigned char c = static_cast<unsigned char>(getstr(s)[i]);
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
          out += static_cast<char>(c);
        } else {
          std::snprintf(buf, sizeof buf, "\\%d", c);
          out += buf;
        }
      }
      return out + "\"";
    }
    case LUA_TWSTRING: {
      const TString* s = tsvalue(o);
      out = "L\"";
      for (lu_int32 i = 0; i < s->len; i++) {
        unsigned c = getwstr(s)[i];
        if (c >= 32 && c < 127 && c != '"' && c != '\\') {
          out += static_cast<char>(c);
        } else {
          std::snprintf(buf, sizeof buf, "\\x%04X", c);
          out += buf;
        }
      }
      return out + "\"";
    }
    default: return "?";
  }
}

std::string rk(const Proto* p, int x, std::string* comment) {
  char buf[32];
  if (x >= MAXSTACK) {
    int k = x - MAXSTACK;
    std::snprintf(buf, sizeof buf, "K%d", k);
    if (k < p->sizek) {
      if (!comment->empty()) *comment += " ";
      *comment += quoteText(&p->k[k]);
    }
  } else {
    std::snprintf(buf, sizeof buf, "%d", x);
  }
  return buf;
}

void listCode(const Proto* p, const std::string& indent, std::string& out) {
  char line[256];
  for (int pc = 0; pc < p->sizecode; pc++) {
    Instruction i = p->code[pc];
    int opnum = static_cast<int>(i & 0x3F);
    int srcline = pc < p->sizelineinfo ? p->lineinfo[pc] : 0;
    if (opnum >= NUM_OPCODES) {
      std::snprintf(line, sizeof line, "%s%4d [%d] ?%d\n", indent.c_str(), pc + 1, srcline, opnum);
      out += line;
      continue;
    }
    OpCode op = static_cast<OpCode>(opnum);
    int a = GETARG_A(i), b = GETARG_B(i), c = GETARG_C(i);
    int bx = GETARG_Bx(i), sbx = GETARG_sBx(i);
    std::string operands;
    std::string comment;
    switch (getOpMode(op)) {
      case iABC: {
        bool brk = testOpMode(op, OpModeBrk) != 0;
        bool crk = testOpMode(op, OpModeCrk) != 0;
        std::string sb = brk ? rk(p, b, &comment) : std::to_string(b);
        std::string sc = crk ? rk(p, c, &comment) : std::to_string(c);
        operands = std::to_string(a) + " " + sb + " " + sc;
        break;
      }
      case iABx:
        operands = std::to_string(a) + " " + std::to_string(bx);
        if (testOpMode(op, OpModeK) && bx < p->sizek) comment = quoteText(&p->k[bx]);
        break;
      case iAsBx:
        operands = std::to_string(a) + " " + std::to_string(sbx);
        comment = "to " + std::to_string(pc + 2 + sbx);
        break;
    }
    std::snprintf(line, sizeof line, "%s%4d [%d] %-9s %s", indent.c_str(), pc + 1, srcline, luaP_opnames[op],
                  operands.c_str());
    out += line;
    if (!comment.empty()) out += "  ; " + comment;
    out += "\n";
  }
}

void disassemble(const Proto* p, int depth, std::string& out) {
  std::string indent(static_cast<size_t>(depth) * 2, ' ');
  char line[512];
  std::snprintf(line, sizeof line,
                "%sfunction <%s:%d> params %d%s, slots %d, upvalues %d, locals %d, constants %d, "
                "functions %d\n",
                indent.c_str(), p->source ? getstr(p->source) : "?", p->lineDefined, p->numparams,
                p->is_vararg ? "+vararg" : "", p->maxstacksize, p->nupvalues, p->sizelocvars, p->sizek, p->sizep);
  out += line;
  listCode(p, indent, out);
  for (int i = 0; i < p->sizek; i++) { out += indent + "  k" + std::to_string(i) + " = " + quoteText(&p->k[i]) + "\n"; }
  for (int i = 0; i < p->sizelocvars; i++) {
    const LocVar& v = p->locvars[i];
    std::snprintf(line, sizeof line, "%s  local %s %d..%d\n", indent.c_str(), v.varname ? getstr(v.varname) : "?",
                  v.startpc + 1, v.endpc + 1);
    out += line;
  }
  for (int i = 0; i < p->sizeupvalues; i++) {
    out += indent + "  upvalue " + (p->upvalues[i] ? getstr(p->upvalues[i]) : "?") + "\n";
  }
  for (int i = 0; i < p->sizep; i++) disassemble(p->p[i], depth + 1, out);
}

}  // namespace

std::string Disassemble(const Proto* p) {
  std::string out;
  disassemble(p, 0, out);
  return out;
}

std::string ListCode(const Proto* p) {
  std::string out;
  listCode(p, "", out);
  return out;
}

}  // namespace scripttest
