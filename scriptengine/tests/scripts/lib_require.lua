-- require, loadfile and dofile through the file layer ("::" names are host paths).
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

local mods = "::" .. scriptdir .. "modules/"

-- loadfile and dofile
local f = loadfile(mods .. "mod_values.lua")
check("loadfile gives a function", type(f), "function")
checklist("loadfile results", A(f()), A(1, "two", L"three"))
checklist("dofile results", A(dofile(mods .. "mod_values.lua")), A(1, "two", L"three"))
local nf, msg = loadfile(mods .. "missing.lua")
check("loadfile missing", nf, nil)
check("loadfile missing message", msg, "cannot read " .. mods .. "missing.lua: No such file or directory")
nf, msg = loadfile(mods .. "mod_broken.lua")
check("loadfile broken", nf, nil)
check("loadfile broken message", string.find(msg, "mod_broken.lua:2:", 1, true) ~= nil, true)
E("dofile broken", function() dofile(mods .. "mod_broken.lua") end, "mod_broken.lua:2:")
E("dofile missing", function() dofile(mods .. "missing.lua") end, "cannot read ")
checklist("UTF-16LE source", A(dofile(mods .. "mod_wide.lua")), A(L"\xe9\x263a", "narrow", 7))

-- require with LUA_PATH
LUA_PATH = mods .. "?.lua"
local a = require("mod_a")
check("require result", a.value, 42)
check("require sets _REQUIREDNAME", a.name, "mod_a")
check("require restores _REQUIREDNAME", _REQUIREDNAME, nil)
check("require caches", require("mod_a"), a)
check("require loads once", loads_of_mod_a, 1)
check("_LOADED entry", _LOADED["mod_a"], a)
check("module without result", require("mod_nothing"), true)
check("module ran", mod_nothing_ran, true)
E("require missing", function() require("nope") end,
  "could not load package `nope' from path `" .. mods .. "?.lua'")
E("require broken", function() require("mod_broken") end, "error loading package `mod_broken' (")
LUA_PATH = mods .. "nothing_here_?;" .. mods .. "?.lua"
check("second template", type(require("mod_values")), "number")
LUA_PATH = nil
E("default path", function() require("no_such_module_anywhere") end,
  "could not load package `no_such_module_anywhere' from path `?;?.lua'")
E("require type", function() require() end, "bad argument #1 to `require' (string expected, got no value)")
local saved = _LOADED
_LOADED = 1
E("_LOADED not a table", function() require("x") end, "`_LOADED' is not a table")
_LOADED = saved

done("lib_require")
