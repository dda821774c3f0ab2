-- string.pack and string.unpack.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

local w = L"AB"

runcases("pack", string, {
  {"pack", A(""), A("")},
  {"pack", A("<h", 1), A("\1\0")},
  {"pack", A(">i", 258), A("\0\0\1\2")},
  {"pack", A("b3", 1, 2, 3), A("\1\2\3")},
  {"pack", A("b0", 7), A("\7")},
  {"pack", A("b", 300), A("\44")},
  {"pack", A("c", -1), A("\255")},
  {"pack", A("I", -5), A("\0\0\0\0")},
  {"pack", A("<I", 1e20), A("\255\255\255\255")},
  {"pack", A("<i", -2), A("\254\255\255\255")},
  {"pack", A("<i", 0 / 0), A("\0\0\0\0")},
  {"pack", A("<H", 65537), A("\1\0")},
  {"pack", A(">f", 1), A("\63\128\0\0")},
  {"pack", A(">d", 1), A("\63\240\0\0\0\0\0\0")},
  {"pack", A("p", "ab"), A("\2ab")},
  {"pack", A(">P", "ab"), A("\0\2ab")},
  {"pack", A("<a", "ab"), A("\2\0\0\0ab")},
  {"pack", A("z", "ab"), A("ab\0")},
  {"pack", A("A2", "x", "yz"), A("xyz")},
  {"pack", A("B", true), A("\1")},
  {"pack", A("@4 b @", 7), A("\7\0\0\0")},
  {"pack", A("@4:255 b @", 7), A("\7\255\255\255")},
  {"pack", A("@2 i @", 1), A("\1\0\0\0")},
  {"pack", A("@2 b @ @3 b @", 1, 2), A("\1\0\2\0\0")},
  {"pack", A("@:7 @3 b @", 1), A("\1\7\7")},
  {"pack", A("@5 b", 1), A("\1")},
  {"pack", A("<wA", w), A("A\0B\0")},
  {"pack", A(">wA", w), A("\0A\0B")},
  {"pack", A("<wP", w), A("\2\0A\0B\0")},
  {"pack", A("<wz", w), A("A\0B\0\0\0")},
  {"pack", A("<wa", L"\x263a"), A("\1\0\0\0\58\38")},
  {"pack", A("<wA", 5), A("5\0")},
  {"pack", A("b w", 1), A("\1")},
  {"pack", A(" ,<>= b", 9), A("\9")},
})

runcases("unpack", string, {
  {"unpack", A("abc", ""), A(1)},
  {"unpack", A("\1\2", "<h"), A(3, 513)},
  {"unpack", A("\1", "h"), A(1)},
  {"unpack", A("xxab", "A2", 3), A(5, "ab")},
  {"unpack", A("ab", "z"), A(4, "ab")},
  {"unpack", A("a\0b", "zz"), A(5, "a", "b")},
  {"unpack", A("\2ab", "p"), A(4, "ab")},
  {"unpack", A("\3ab", "p"), A(1)},
  {"unpack", A("\1\2\3", "b2 h"), A(3, 1, 2)},
  {"unpack", A("\255", "c"), A(2, -1)},
  {"unpack", A("\255", "b"), A(2, 255)},
  {"unpack", A("\0\7", "B2"), A(3, false, true)},
  {"unpack", A("\255\255\255\255\255\255\255\255", "<iI"), A(9, -1, 4294967295)},
  {"unpack", A("\0\0\0\1", ">l"), A(5, 1)},
  {"unpack", A("\63\128\0\0", ">f"), A(5, 1)},
  {"unpack", A("\0\2ab", ">P"), A(5, "ab")},
  {"unpack", A("\2\0\0\0ab", "<a"), A(7, "ab")},
  {"unpack", A("\255\255\255\255a", "<a"), A(1)},
  {"unpack", A("A\0B\0", "<wA2"), A(5, w)},
  {"unpack", A("\0A\0B", ">wA2"), A(5, w)},
  {"unpack", A("A\0B\0\0\0x", "<wz"), A(7, w)},
  {"unpack", A("A\0B\0C", "<wz"), A(7, w)},
  {"unpack", A("\2\0A\0B\0", "<wP"), A(7, w)},
  {"unpack", A("abc", "b", -5), A(2, 97)},
  {"unpack", A("abc", "b", 4), A(4)},
  {"unpack", A("abc", "z", 4), A(4)},
})

-- a 300-byte "p" string keeps only its length modulo 256 in the prefix
check("p wraps", string.len(string.pack("p", string.rep("q", 300))), 301)
check("p prefix", string.byte(string.pack("p", string.rep("q", 300))), 44)

-- round trips
local fmt = "<b c B h H i I l L f d n z p P a wz wp wP wa"
local values = A(200, -100, true, -30000, 60000, -2000000000, 4000000000, 7, 8, 0.5, 1 / 3, -2.25,
  "zero-free", "p", "P string", "a string", L"wide\x263a", L"", L"x", L"\xffff")
local packed = string.pack(fmt, unpack(values))
local back = A(string.unpack(packed, fmt))
check("round trip position", back[1], string.len(packed) + 1)
for i = 1, values.n do
  check("round trip item " .. i, back[i + 1], values[i])
end
local bfmt = ">h i d wa"
local bvalues = A(-2, 123456789, 1e100, L"big")
local bback = A(string.unpack(string.pack(bfmt, unpack(bvalues)), bfmt))
for i = 1, bvalues.n do
  check("big-endian round trip item " .. i, bback[i + 1], bvalues[i])
end

E("bad code", function() string.pack("Q", 1) end, "bad argument #1 to `pack' (bad code `Q')")
E("w@", function() string.pack("w@", 1) end, "bad argument #1 to `pack' (bad code `@')")
E("boolean", function() string.pack("B", nil) end, "expected a boolean")
E("boolean number", function() string.pack("B", 1) end, "expected a boolean")
E("number", function() string.pack("b", "x") end, "bad argument #2 to `pack' (number expected, got string)")
E("narrow gets wide", function() string.pack("z", L"x") end, "bad argument #2 to `pack' (string expected, got wstring)")
E("wide gets narrow", function() string.pack("wz", "x") end, "bad argument #2 to `pack' (wstring expected, got string)")
E("huge count", function() string.pack("b99999999999", 1) end, "(bad code `b')")
E("huge block", function() string.pack("@99999999999 b @", 1) end, "(bad code `@')")
E("unpack @", function() string.unpack("x", "@") end, "bad argument #2 to `unpack' (bad code `@')")
E("unpack bad", function() string.unpack("x", "Q") end, "bad argument #2 to `unpack' (bad code `Q')")
E("unpack wide data", function() string.unpack(L"x", "b") end, "bad argument #1 to `unpack' (string expected, got wstring)")

done("lib_pack")
