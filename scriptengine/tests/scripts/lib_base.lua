-- Base library: globals, conversions between the text kinds, tonumber bases, metatables,
-- environments, errors, loading, coroutines.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

local G = getfenv(0)

runcases("base", G, {
  {"type", A(L"x"), A("wstring")},
  {"type", A("x"), A("string")},
  {"type", A(nil), A("nil")},
  {"type", A(print), A("function")},
  {"type", A(coroutine.create(function() end)), A("thread")},
  {"tostring", A(L"abc"), A("abc")},
  {"tostring", A(L"\x263A"), A("\58")},
  {"tostring", A(L""), A("")},
  {"tostring", A(L"\xff80"), A("\128")},
  {"tostring", A(12.5), A("12.5")},
  {"tostring", A(1e100), A("1e+100")},
  {"tostring", A(nil), A("nil")},
  {"tostring", A(true), A("true")},
  {"towstring", A("\128"), A(L"\xff80")},
  {"towstring", A("A\127\255"), A(L"A\x7f\xffff")},
  {"towstring", A(""), A(L"")},
  {"towstring", A(nil), A(L"nil")},
  {"towstring", A(12.5), A(L"12.5")},
  {"towstring", A(L"q"), A(L"q")},
  {"tonumber", A(L"ff", 16), A(255)},
  {"tonumber", A(" 10 ", 2), A(2)},
  {"tonumber", A("12a", 10), A(nil)},
  {"tonumber", A("12a"), A(nil)},
  {"tonumber", A("0x10"), A(16)},
  {"tonumber", A(L"1e2"), A(100)},
  {"tonumber", A(L" 5"), A(nil)},
  {"tonumber", A(L"5 "), A(5)},
  {"tonumber", A("zz", 36), A(1295)},
  {"tonumber", A("-1", 16), A(4294967295)},
  {"tonumber", A("ffffffffff", 16), A(4294967295)},
  {"tonumber", A("", 16), A(nil)},
  {"tonumber", A("12 x", 16), A(nil)},
  {"tonumber", A("19", 8), A(nil)},
  {"tonumber", A({}), A(nil)},
  {"tonumber", A(string.rep("1", 100), 2), A(4294967295)},
  {"rawequal", A("a", "a"), A(true)},
  {"rawequal", A("a", L"a"), A(false)},
  {"rawget", A({10, 20}, 2), A(20)},
  {"unpack", A({1, 2, 3}), A(1, 2, 3)},
  {"unpack", A({n = 2, 1, 2, 3}), A(1, 2)},
  {"unpack", A({}), A()},
  {"assert", A(1, 2), A(1)},
})

check("towstring of a table", string.sub(tostring(towstring({})), 1, 7), "table: ")
check("tostring of a table", string.sub(tostring({}), 1, 7), "table: ")
check("tostring of a function", string.sub(tostring(print), 1, 10), "function: ")
check("tostring metamethod", tostring(setmetatable({}, {__tostring = function() return "T!" end})), "T!")
check("towstring ignores metamethod",
  string.sub(tostring(towstring(setmetatable({}, {__tostring = function() return "T!" end}))), 1, 7), "table: ")
check("wide text of 100 units", tonumber(towstring(string.rep("1", 100)), 2), nil)

E("towstring boolean", function() towstring(true) end, "bad argument #1 to `towstring' (value expected)")
E("towstring none", function() towstring() end, "bad argument #1 to `towstring' (value expected)")
E("tostring none", function() tostring() end, "bad argument #1 to `tostring' (value expected)")
E("tonumber base", function() tonumber("7", 1) end, "bad argument #2 to `tonumber' (base out of range)")
E("tonumber base 37", function() tonumber("7", 37) end, "bad argument #2 to `tonumber' (base out of range)")
E("tonumber table base", function() tonumber({}, 16) end, "bad argument #1 to `tonumber' (string expected, got table)")
E("type none", function() type() end, "bad argument #1 to `type' (value expected)")
E("unpack type", function() unpack(1) end, "bad argument #1 to `unpack' (table expected, got number)")
E("unpack huge", function() unpack({n = 1e9}) end, "stack overflow (table too big to unpack)")
E("rawget type", function() rawget(1, 1) end, "bad argument #1 to `rawget' (table expected, got number)")
E("rawset value", function() rawset({}, 1) end, "bad argument #3 to `rawset' (value expected)")
E("next type", function() next(1) end, "bad argument #1 to `next' (table expected, got number)")
E("ipairs type", function() ipairs(nil) end, "bad argument #1 to `ipairs' (table expected, got nil)")

-- metatables
check("number metatable is a table", type(getmetatable(1)), "table")
check("wide metatable is a table", type(getmetatable(L"x")), "table")
local t = {}
check("setmetatable returns t", setmetatable(t, {__metatable = "locked"}), t)
check("protected metatable", getmetatable(t), "locked")
E("protected change", function() setmetatable(t, {}) end, "cannot change a protected metatable")
E("setmetatable type", function() setmetatable({}, 1) end, "bad argument #2 to `setmetatable' (nil or table expected)")
E("setmetatable target", function() setmetatable(1, {}) end, "bad argument #1 to `setmetatable' (table expected, got number)")
local mt = {__index = function(_, k) return k .. "!" end}
local p = setmetatable({}, mt)
check("rawget skips __index", rawget(p, "x"), nil)
check("index goes through __index", p.x, "x!")
rawset(p, "x", 1)
check("rawset", p.x, 1)

-- environments
check("getfenv(0)", getfenv(0), G)
check("getfenv(1)", getfenv(1), G)
check("getfenv of native", getfenv(print), G)
local function envf() return envvalue end
local env = {envvalue = 42}
setfenv(envf, env)
check("setfenv", envf(), 42)
check("getfenv of function", getfenv(envf), env)
env.__fenv = "hidden"
check("protected environment", getfenv(envf), "hidden")
E("protected setfenv", function() setfenv(envf, {}) end, "`setfenv' cannot change a protected environment")
E("negative level", function() getfenv(-1) end, "bad argument #1 to `getfenv' (level must be non-negative)")
E("invalid level", function() getfenv(100) end, "bad argument #1 to `getfenv' (invalid level)")
E("native setfenv", function() setfenv(print, {}) end, "`setfenv' cannot change environment of given function")
E("setfenv table", function() setfenv(envf, 1) end, "bad argument #2 to `setfenv' (table expected, got number)")

-- iteration
local keys = 0
for k, v in pairs({a = 1, b = 2, 3}) do keys = keys + 1 end
check("pairs", keys, 3)
local f, s, i = pairs({})
check("pairs gives next", f, next)
f, s, i = ipairs({})
check("ipairs gives ipairs", f, ipairs)
check("ipairs start", i, 0)
local seen = {}
for i, v in ipairs({"a", "b", nil, "d"}) do seen[i] = v end
check("ipairs stops at nil", table.getn(seen), 2)
checklist("next of empty", A(next({})), A(nil))

-- errors
local ok, e = pcall(error, "plain", 0)
check("error level 0", e, "plain")
ok, e = pcall(function() error("msg") end)
check("error level 1 has position", string.find(e, "lib_base.lua:%d+: msg$") ~= nil, true)
ok, e = pcall(function() error("lvl2", 2) end)
check("error level 2", string.find(e, "lvl2", 1, true) ~= nil, true)
local obj = {}
ok, e = pcall(error, obj)
check("error object", e, obj)
ok, e = pcall(error, L"wide", 0)
check("wide error level 0", e, L"wide")
E("wide error joins position", function() error(L"wide") end, "concatenate")
ok, e = pcall(error)
check("error without value", e, nil)
checklist("pcall results", A(pcall(function(a, b) return a + b, "x" end, 1, 2)), A(true, 3, "x"))
checklist("xpcall handler", A(xpcall(function() error("x", 0) end, function(m) return "handled " .. m end)),
  A(false, "handled x"))
checklist("xpcall success", A(xpcall(function() return 1, 2 end, print)), A(true, 1, 2))
E("assert default", function() assert(false) end, "assertion failed!")
E("assert message", function() assert(nil, "custom") end, "custom")
E("assert none", function() assert() end, "bad argument #1 to `assert' (value expected)")

-- loading
check("loadstring", loadstring("return 1 + 1")(), 2)
local lf, lmsg = loadstring("x = = 1")
check("loadstring failure", lf, nil)
check("loadstring message", string.find(lmsg, "[string \"x = = 1\"]:1:", 1, true) ~= nil, true)
lf, lmsg = loadstring("x = = 1", "=mine")
check("loadstring chunk name", string.find(lmsg, "mine:1:", 1, true), 1)
check("loadstring first line #", loadstring("#!shebang\nreturn 5")(), 5)
E("loadfile none", function() loadfile() end, "bad argument #1 to `loadfile' (string expected, got no value)")
E("dofile none", function() dofile() end, "bad argument #1 to `dofile' (string expected, got no value)")

-- garbage collection
local kb, threshold = gcinfo()
check("gcinfo count", type(kb), "number")
check("gcinfo threshold", type(threshold), "number")
collectgarbage()
collectgarbage(100000)
local kb2, threshold2 = gcinfo()
-- Under the collect-at-every-check switch each collection sets the threshold again at once.
if not gcstress then check("collectgarbage limit", threshold2, 100000) end
collectgarbage()

-- proxies
local p1 = newproxy(true)
check("newproxy type", type(p1), "userdata")
check("newproxy metatable", type(getmetatable(p1)), "table")
local p2 = newproxy(p1)
check("newproxy shares", getmetatable(p2), getmetatable(p1))
check("newproxy plain", type(newproxy()), "userdata")
E("newproxy bad", function() newproxy(1) end, "bad argument #1 to `newproxy' (boolean or proxy expected)")
E("newproxy table", function() newproxy({}) end, "(boolean or proxy expected)")

-- coroutines
local co = coroutine.create(function(a, b)
  local c = coroutine.yield(a + b)
  local d, e2 = coroutine.yield(c * 2)
  return d + e2
end)
check("status new", coroutine.status(co), "suspended")
checklist("resume 1", A(coroutine.resume(co, 1, 2)), A(true, 3))
checklist("resume 2", A(coroutine.resume(co, 10)), A(true, 20))
checklist("resume 3", A(coroutine.resume(co, 3, 4)), A(true, 7))
check("status dead", coroutine.status(co), "dead")
checklist("resume dead", A(coroutine.resume(co)), A(false, "cannot resume dead coroutine"))
local running
local co2
co2 = coroutine.create(function() running = coroutine.status(co2) end)
coroutine.resume(co2)
check("status running", running, "running")
local co3 = coroutine.create(function() error("inside", 0) end)
checklist("resume error", A(coroutine.resume(co3)), A(false, "inside"))
local gen = coroutine.wrap(function() for i = 1, 3 do coroutine.yield(i) end end)
checklist("wrap", A(gen(), gen(), gen()), A(1, 2, 3))
local bad = coroutine.wrap(function() error("wrapped") end)
ok, e = pcall(bad)
check("wrap error has position", string.find(e, "lib_base.lua:%d+: .*wrapped") ~= nil, true)
E("create native", function() coroutine.create(print) end, "bad argument #1 to `create' (Lua function expected)")
E("resume type", function() coroutine.resume(1) end, "bad argument #1 to `resume' (coroutine expected)")
E("status type", function() coroutine.status("x") end, "bad argument #1 to `status' (coroutine expected)")
-- nested resumes are bounded
local function nest() coroutine.resume(coroutine.create(nest)) end
check("nested resumes end", pcall(nest), true)

-- globals
check("_VERSION", _VERSION, "Lua 5.0.2")
check("_G", _G, G)
check("_LOADED", type(_LOADED), "table")

done("lib_base")
