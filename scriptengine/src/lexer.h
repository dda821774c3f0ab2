// Lexical analyser: turns the source text of one chunk into tokens for the parser.
//
// Two source modes: 8-bit text, and UTF-16LE text (the stream's `wide` flag) in which every
// character is one 16-bit unit read as two bytes, low byte first. Names, numerals, 8-bit
// strings and long strings keep the low byte of each character; wide literals (L"...") keep
// whole units.
#pragma once

#include "object.h"
#include "stream.h"

#define FIRST_RESERVED 257

// Token codes above the single characters. The order is part of the language: the reserved
// words come first (their position is stored in each interned word's `reserved` field).
enum RESERVED {
  TK_AND = FIRST_RESERVED,
  TK_BREAK,
  TK_CONTINUE,
  TK_DO,
  TK_ELSE,
  TK_ELSEIF,
  TK_END,
  TK_FALSE,
  TK_FOR,
  TK_FUNCTION,
  TK_IF,
  TK_IN,
  TK_LOCAL,
  TK_NIL,
  TK_NOT,
  TK_OR,
  TK_REPEAT,
  TK_RETURN,
  TK_THEN,
  TK_TRUE,
  TK_UNTIL,
  TK_WHILE,
  // other terminal symbols
  TK_NAME,
  TK_CONCAT,
  TK_DOTS,
  TK_EQ,
  TK_GE,
  TK_LE,
  TK_NE,
  TK_NUMBER,
  TK_STRING,
  TK_WSTRING,
  TK_SHL,
  TK_SHR,
  TK_EOS
};

#define NUM_RESERVED (static_cast<int>(TK_WHILE - FIRST_RESERVED + 1))

// Highest line number and similar counters ("lines in a chunk", named-field count).
#define MAX_INT_LIMIT 2147483645

union SemInfo {
  lua_Number r;
  TString* ts;  // names and 8-bit strings (tt 4), wide strings (tt 9)
};

struct Token {
  int token;
  SemInfo seminfo;
};

struct FuncState;

struct LexState {
  int current;      // current character (byte, or unit in 16-bit mode); EOZ at the end
  int linenumber;   // line of `current`
  int lastline;     // line of the last token consumed
  Token t;          // current token
  Token lookahead;  // one token of look-ahead (TK_EOS when empty)
  FuncState* fs;    // function being compiled
  lua_State* L;
  ZIO* z;
  Mbuffer* buff;    // token text
  TString* source;  // chunk name
  int nestlevel;    // syntax nesting depth (parser)
  size_t nbuff;     // bytes now saved in buff
  int widebuf;      // buff holds 16-bit units (a wide literal is being read)
};

// Interns the reserved words and marks them fixed; once per interpreter.
void luaX_init(lua_State* L);
void luaX_setinput(lua_State* L, LexState* ls, ZIO* z, TString* source);
int luaX_lex(LexState* ls, SemInfo* seminfo);
void luaX_checklimit(LexState* ls, int val, int limit, const char* msg);
[[noreturn]] void luaX_syntaxerror(LexState* ls, const char* s);
const char* luaX_token2str(LexState* ls, int token);
