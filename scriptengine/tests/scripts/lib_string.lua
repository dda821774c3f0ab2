-- String library: len, sub, lower, upper, char, rep, byte, dump, lualex and the metatable.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

local huge = 1e300
local nan = 0 / 0

runcases("string", string, {
  {"len", A(""), A(0)},
  {"len", A("a\0b"), A(3)},
  {"len", A(123), A(3)},
  {"byte", A("abc", 0), A()},
  {"byte", A("abc", 4), A()},
  {"byte", A("abc", -1), A(99)},
  {"byte", A("abc"), A(97)},
  {"byte", A("\255"), A(255)},
  {"byte", A("abc", nan), A()},
  {"byte", A("abc", huge), A()},
  {"sub", A("hello", 2), A("ello")},
  {"sub", A("hello", -3, -2), A("ll")},
  {"sub", A("hello", 4, 2), A("")},
  {"sub", A("hello", 0), A("hello")},
  {"sub", A("hello", -huge, huge), A("hello")},
  {"sub", A("hello", nan), A("hello")},
  {"sub", A("hello", 2.9, 3.9), A("el")},
  {"rep", A("ab", 0), A("")},
  {"rep", A("ab", -3), A("")},
  {"rep", A("ab", 3), A("ababab")},
  {"rep", A("", 1000000), A("")},
  {"rep", A("", 2147483647), A("")},
  {"char", A(), A("")},
  {"char", A(72, 105), A("Hi")},
  {"char", A(0, 255), A("\0\255")},
  {"lower", A("AbC1\201"), A("abc1\201")},
  {"upper", A("aBc1\233"), A("ABC1\233")},
  {"lualex", A("a\\tb", 0), A("a\tb")},
  {"lualex", A("\\x41B", 0), A("A\0B")},
  {"lualex", A("\\xg", 0), A("xg")},
  {"lualex", A("\\65Z", 0), A("AZ")},
  {"lualex", A("\\1234", 0), A("\123" .. "4")},
  {"lualex", A("ab\\", 0), A("ab\0")},
  {"lualex", A("\\300", 0), A("\44")},
  {"lualex", A("\\a\\b\\f\\n\\r\\t\\v\\\\\\\"", 0), A("\7\8\12\10\13\9\11\\\"")},
  {"lualex", A("ab", 1), A("a\0b\0")},
  {"lualex", A("\\x263A", 1), A("\58\38")},
  {"lualex", A("\\300", 1), A("\44\1")},
})

check("rep long", string.len(string.rep("xyz", 5000)), 15000)

-- argument checks, with the function's name and the script position
E("char range", function() string.char(65, 256) end, "bad argument #2 to `char' (invalid value)")
E("char negative", function() string.char(-1) end, "bad argument #1 to `char' (invalid value)")
E("char huge", function() string.char(huge) end, "(invalid value)")
E("char type", function() string.char("x") end, "bad argument #1 to `char' (number expected, got string)")
E("len none", function() string.len() end, "bad argument #1 to `len' (string expected, got no value)")
E("sub none", function() string.sub("x") end, "bad argument #2 to `sub' (number expected, got no value)")
E("lualex mode", function() string.lualex("x") end, "bad argument #2 to `lualex' (number expected, got no value)")
E("position prefix", function() string.len() end, "lib_string.lua:")

-- wide strings are refused wherever 8-bit text is required
local w = L"abc"
E("len wide", function() string.len(w) end, "bad argument #1 to `len' (string expected, got wstring)")
E("sub wide", function() string.sub(w, 1) end, "bad argument #1 to `sub' (string expected, got wstring)")
E("lower wide", function() string.lower(w) end, "bad argument #1 to `lower' (string expected, got wstring)")
E("upper wide", function() string.upper(w) end, "bad argument #1 to `upper' (string expected, got wstring)")
E("rep wide", function() string.rep(w, 2) end, "bad argument #1 to `rep' (string expected, got wstring)")
E("byte wide", function() string.byte(w) end, "bad argument #1 to `byte' (string expected, got wstring)")
E("format wide", function() string.format(w) end, "bad argument #1 to `format' (string expected, got wstring)")
E("find wide", function() string.find(w, "a") end, "bad argument #1 to `find' (string expected, got wstring)")
E("find wide pattern", function() string.find("a", w) end, "bad argument #2 to `find' (string expected, got wstring)")
E("gfind wide", function() string.gfind(w, "a") end, "bad argument #1 to `gfind' (string expected, got wstring)")
E("gsub wide", function() string.gsub(w, "a", "b") end, "bad argument #1 to `gsub' (string expected, got wstring)")
E("lualex wide", function() string.lualex(w, 0) end, "bad argument #1 to `lualex' (string expected, got wstring)")

-- dump
E("dump native", function() string.dump(print) end, "unable to dump given function")
E("dump type", function() string.dump(1) end, "bad argument #1 to `dump' (function expected, got number)")
local up = 1
E("dump upvalues", function() string.dump(function() return up end) end, "unable to dump given function")
local f = loadstring("local a, b = 2, 3 return a * b, L\"w\"")
local d = string.dump(f)
check("dump header", string.sub(d, 1, 4), "\27Lua")
local g = loadstring(d)
checklist("dump reload", A(g()), A(6, L"w"))

-- the library table is the strings' metatable
check("string metatable", getmetatable("x"), string)
check("string metatable of number", getmetatable(1) == string, false)

done("lib_string")
