-- Pattern matching: find, gfind, gsub, their edge cases and messages, and the depth bound.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

runcases("find", string, {
  {"find", A("abc", "", 10), A(4, 3)},
  {"find", A("a.b", ".", 1, true), A(2, 2)},
  {"find", A("a.b", "."), A(1, 1)},
  {"find", A("THE (quick) fox", "%f[%a]%a+", 5), A(6, 10)},
  {"find", A("THE (quick) fox", "%f[%a]%a+"), A(1, 3)},
  {"find", A("hello", "l+"), A(3, 4)},
  {"find", A("hello", "(l)(l)"), A(3, 4, "l", "l")},
  {"find", A("hello", "()ll()"), A(3, 4, 3, 5)},
  {"find", A("abc", "^b"), A(nil)},
  {"find", A("abc", "^a"), A(1, 1)},
  {"find", A("abc", "c$"), A(3, 3)},
  {"find", A("abc", "b$"), A(nil)},
  {"find", A("a$c", "$c"), A(2, 3)},
  {"find", A("f(a(b)c)d", "%b()"), A(2, 8)},
  {"find", A("abcabc", "(abc)%1"), A(1, 6, "abc")},
  {"find", A("a]", "[]]"), A(2, 2)},
  {"find", A("hello", "[^hel]"), A(5, 5)},
  {"find", A("a1-b", "[%d%-]+"), A(2, 3)},
  {"find", A("abc", "", -1), A(3, 2)},
  {"find", A("abc", "b", -100), A(2, 2)},
  {"find", A("aaab", "a-b"), A(1, 4)},
  {"find", A("a\0b", "%z"), A(2, 2)},
  {"find", A("ab1", "%A"), A(3, 3)},
  {"find", A("\200a", "%a"), A(2, 2)},
  {"find", A("x=1, y=22", "(%w+)=(%d+)", 5), A(6, 9, "y", "22")},
  {"find", A("abc", "b", 1e300), A(nil)},
  {"find", A("key = value", "^(%w+)%s*=%s*(%w+)$"), A(1, 11, "key", "value")},
  {"find", A("end", "%f[%z]"), A(4, 3)},
  {"find", A("  x", "%s*x"), A(1, 3)},
  {"find", A("a+b", "+", 1, 1), A(2, 2)},
  {"find", A(12345, 34), A(3, 4)},
  {"find", A("[x]", "%[(.)%]"), A(1, 3, "x")},
  {"find", A("tab\there", "%c"), A(4, 4)},
  {"find", A("Hello", "%l+"), A(2, 5)},
  {"find", A("a,b", "%p"), A(2, 2)},
  {"find", A("0x1F", "%x+$"), A(3, 4)},
})

runcases("gsub", string, {
  {"gsub", A("hello world", "o", "0", 1), A("hell0 world", 1)},
  {"gsub", A("abc", "", "-"), A("-a-b-c-", 4)},
  {"gsub", A("abc", "^", ">"), A(">abc", 1)},
  {"gsub", A("hello", "(l)", "%1%1"), A("hellllo", 2)},
  {"gsub", A("abc", "b", "%"), A("a\0c", 1)},
  {"gsub", A("abc", "b", "%x"), A("axc", 1)},
  {"gsub", A("abc", "b", 12), A("a12c", 1)},
  {"gsub", A("abc", "x*", "-"), A("-a-b-c-", 4)},
  {"gsub", A("hello", "", "x", 2), A("xhxello", 2)},
  {"gsub", A("hello", "l", "L", 0), A("hello", 0)},
  {"gsub", A("abc", "%w", "%%"), A("%%%", 3)},
  {"gsub", A("abc", "()b()", "%1%2"), A("a23c", 1)},
  {"gsub", A("hello world", "(%w+) (%w+)", "%2 %1"), A("world hello", 1)},
  {"gsub", A("abc", "^b", "x"), A("abc", 0)},
  {"gsub", A("aaa", "a", "b", -5), A("aaa", 0)},
  {"gsub", A("aaa", "a", "b", 1e300), A("bbb", 3)},
})

-- function replacements
checklist("gsub function", A(string.gsub("abc", "%a", function(c)
  if c == "b" then return nil end
  return string.upper(c)
end)), A("AC", 3))
checklist("gsub function captures", A(string.gsub("k=v;x=y", "(%w)=(%w)", function(a, b) return b .. a end)), A("vk;yx", 2))
checklist("gsub function number", A(string.gsub("ab", "b", function() return 7 end)), A("a7", 1))
checklist("gsub function table result", A(string.gsub("ab", "b", function() return {} end)), A("a", 1))
E("gsub wide function result", function() string.gsub("ab", "b", function() return L"w" end) end, "concatenate")
E("gsub wide replacement", function() string.gsub("ab", "b", L"w") end, "concatenate")
checklist("gsub wide replacement unused", A(string.gsub("ab", "z", L"w")), A("ab", 0))

-- gfind
local words = {}
for w in string.gfind("one two  three", "%a+") do table.insert(words, w) end
check("gfind words", table.concat(words, ","), "one,two,three")
local pairs_ = {}
for k, v in string.gfind("k=v, a=b", "(%w+)=(%w+)") do table.insert(pairs_, k .. v) end
check("gfind captures", table.concat(pairs_, ","), "kv,ab")
local count = 0
for e in string.gfind("ab", "") do count = count + 1 end
check("gfind empty matches", count, 3)
count = 0
for e in string.gfind("abc", "^a") do count = count + 1 end
check("gfind never anchors", count, 0)
local positions = {}
for p in string.gfind("xyz", "()") do table.insert(positions, p) end
check("gfind positions", table.concat(positions, ","), "1,2,3,4")

-- messages
local bad = {
  {"%fa", "missing `[' after `%f' in pattern"},
  {"%1", "invalid capture index"},
  {"(x", "unfinished capture"},
  {".)", "invalid pattern capture"},
  {"%", "malformed pattern (ends with `%')"},
  {"[a", "malformed pattern (missing `]')"},
  {"%b", "unbalanced pattern"},
  {"%bx", "unbalanced pattern"},
}
for i = 1, table.getn(bad) do
  local p, msg = bad[i][1], bad[i][2]
  E("find " .. p, function() string.find("x", p) end, msg)
end
E("gsub %0", function() string.gsub("abc", "b", "%0") end, "invalid capture index")
E("gsub %1", function() string.gsub("abc", "b", "%1") end, "invalid capture index")
E("gsub no replacement", function() string.gsub("abc", "b") end, "bad argument #3 to `gsub' (string or function expected)")
E("gsub table replacement", function() string.gsub("abc", "b", {}) end, "bad argument #3 to `gsub' (string or function expected)")

-- captures: 32 are fine, a 33rd is not
local p32 = string.rep("(a)", 32)
local r = A(string.find(string.rep("a", 40), p32))
check("32 captures", r.n, 34)
E("33 captures", function() string.find(string.rep("a", 40), p32 .. "(a)") end, "too many captures")

-- the matcher's depth is bounded: a long pattern fails cleanly
E("deep pattern", function() string.find(string.rep("a", 100000), string.rep("a?", 100000)) end, "pattern too complex")
E("many stars", function() string.gsub("aaa", string.rep("a*", 300), "") end, "pattern too complex")
checklist("long literal", A(string.find("x" .. string.rep("b", 5000), "x" .. string.rep("b", 5000) .. "$")), A(1, 5001))
checklist("moderate depth", A(string.find(string.rep("a", 150), string.rep("a?", 150))), A(1, 150))

done("lib_pattern")
