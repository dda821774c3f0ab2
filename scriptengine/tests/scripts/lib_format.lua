-- string.format: conversions, %B %Q %b, limits and messages.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

local nan = 0 / 0
local s99, s100 = string.rep("x", 99), string.rep("y", 100)

runcases("format", string, {
  {"format", A("%5.2f", 3.14159), A(" 3.14")},
  {"format", A("%x", -1), A("0")},
  {"format", A("%u", 5000000000), A("4294967295")},
  {"format", A("%X", 255), A("FF")},
  {"format", A("%o", 8), A("10")},
  {"format", A("%x", nan), A("0")},
  {"format", A("%d", 3.9), A("3")},
  {"format", A("%d", -3.9), A("-3")},
  {"format", A("%i", 42), A("42")},
  {"format", A("%d", 1e20), A("2147483647")},
  {"format", A("%d", -1e20), A("-2147483648")},
  {"format", A("%d", nan), A("0")},
  {"format", A("%5d|%-5d|", 7, 7), A("    7|7    |")},
  {"format", A("%+d % d %05d", 3, 3, 3), A("+3  3 00003")},
  {"format", A("%c%c%c", 76, 117, 97), A("Lua")},
  {"format", A("%c", 0), A("")},
  {"format", A("%e", 1), A("1.000000e+00")},
  {"format", A("%g", 1e20), A("1e+20")},
  {"format", A("%.3g", 3.14159), A("3.14")},
  {"format", A("%s", 12), A("12")},
  {"format", A("%5.1s|", "abc"), A("    a|")},
  {"format", A("%s", "a\0b"), A("a")},
  {"format", A("%%"), A("%")},
  {"format", A("%B %B %B", true, false, nil), A("true false false")},
  {"format", A("%q", "a\0b"), A("\"a\\000b\"")},
  {"format", A("%q", "\0"), A("\"\\000\"")},
  {"format", A("%q", "a\"b\\c\nd"), A("\"a\\\"b\\\\c\\\nd\"")},
  {"format", A("%Q", "a\0b"), A("\"a\\x00b\"")},
  {"format", A("%Q", L"\xe9"), A("L\"\\x00e9\"")},
  {"format", A("%Q", L"a\x263a"), A("L\"a\\x263a\"")},
  {"format", A("%Q", "\7\8\9\10\11\12\13"), A("\"\\a\\b\\t\\n\\v\\f\\r\"")},
  {"format", A("%Q", "\1\127\233"), A("\"\\x01\\x7f\\xe9\"")},
  {"format", A("%bw", 258), A("\2\1")},
  {"format", A("%bq", 1), A("")},
  {"format", A("%bb", 300), A("\44")},
  {"format", A("%bd", -1), A("\255\255\255\255")},
  {"format", A("ab%b", 1), A("ab")},
  {"format", A("%-99s|", s99), A(s99 .. "|")},
  {"format", A("%5s", s100), A(s100)},
  {"format", A("%.3s", s100), A("yyy")},
})

-- %Q output reads back through the lexer
local samples = {"plain", "tab\tnew\nline", "q\"b\\", "\0\1\127\128\255", ""}
for i = 1, table.getn(samples) do
  local s = samples[i]
  check("%Q round trip " .. i, loadstring("return " .. string.format("%Q", s))(), s)
end
local wides = {L"wide", L"\x263a\xe9\x00\x7f\"\\", L""}
for i = 1, table.getn(wides) do
  local s = wides[i]
  check("%Q wide round trip " .. i, loadstring("return " .. string.format("%Q", s))(), s)
end
-- %q output reads back too
check("%q round trip", loadstring("return " .. string.format("%q", "a\"\\\n\0z"))(), "a\"\\\n\0z")

E("obsolete", function() string.format("%1$d", 1) end, "obsolete option (d$) to `format'")
E("width", function() string.format("%123d", 1) end, "invalid format (width or precision too long)")
E("precision", function() string.format("%1.123f", 1) end, "invalid format (width or precision too long)")
E("too long", function() string.format("%-------------------d", 1) end, "invalid format (too long)")
E("option", function() string.format("%z", 1) end, "invalid option to `format'")
E("percent at end", function() string.format("abc%", 1) end, "invalid option to `format'")
E("flags at end", function() string.format("%-", 1) end, "invalid option to `format'")
E("missing number", function() string.format("%d") end, "bad argument #2 to `format' (number expected, got no value)")
E("boolean", function() string.format("%B", 1) end, "bad argument #2 to `format' (boolean expected, got number)")
E("boolean none", function() string.format("%B") end, "bad argument #2 to `format' (boolean expected, got no value)")
E("wide %s", function() string.format("%s %s", "a", L"b") end, "bad argument #3 to `format' (string expected, got wstring)")
E("table %q", function() string.format("%q", {}) end, "bad argument #2 to `format' (string expected, got table)")

done("lib_format")
