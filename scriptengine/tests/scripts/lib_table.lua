-- Table library: concat, foreach, foreachi, getn, setn, insert, remove, sort.
dofile("::" .. string.gsub(arg[0], "[^/]*$", "") .. "harness.lua")

-- floor of a non-negative number below 2^31 (no math library here)
local function floor(x) return tonumber(string.format("%d", x)) end

local function list(t, n)
  local parts = {}
  for i = 1, n do parts[i] = tostring(t[i]) end
  return table.concat(parts, " ")
end

-- insert and remove
local t = {1, 2, 3}
table.insert(t, 10, "x")
check("insert beyond size: size", table.getn(t), 10)
check("insert beyond size: value", t[10], "x")
t = {1, 2, 3}
table.insert(t, 1, "a")
check("insert front", list(t, 4), "a 1 2 3")
table.insert(t, "z")
check("insert back", list(t, 5), "a 1 2 3 z")
table.insert(t, 3, "m")
check("insert middle", list(t, 6), "a 1 m 2 3 z")
t = {}
checklist("remove empty", A(table.remove(t)), A())
check("remove empty size", table.getn(t), 0)
t = {1, 2, 3}
checklist("remove last", A(table.remove(t)), A(3))
check("remove size", table.getn(t), 2)
t = {1, 2, 3}
checklist("remove first", A(table.remove(t, 1)), A(1))
check("remove shifts", list(t, 3), "2 3 nil")
-- appending keeps the size where luaL_getn finds it
local u = {}
for i = 1, 100 do table.insert(u, i * 2) end
check("appended size", table.getn(u), 100)
check("appended last", u[100], 200)
check("appended without a field n", rawget(u, "n"), nil)
table.setn(u, 5)
table.insert(u, "x")
check("append after setn", u[6], "x")
check("size after setn and append", table.getn(u), 6)
local w = {n = 0}
for i = 1, 10 do table.insert(w, i) end
check("field n follows appends", w.n, 10)
w.n = "3"
table.insert(w, "y")
check("field n as text", w.n, 4)
check("append after text n", w[4], "y")
t = {1, 2, 3}
checklist("remove beyond the size", A(table.remove(t, 5)), A(nil))
check("remove beyond the size shrinks", table.getn(t), 2)
check("remove beyond the size clears the last", t[3], nil)
E("insert type", function() table.insert(1, 2) end, "bad argument #1 to `insert' (table expected, got number)")
E("insert position", function() table.insert({}, "x", 1) end, "bad argument #2 to `insert' (number expected, got string)")
E("remove type", function() table.remove("x") end, "bad argument #1 to `remove' (table expected, got string)")

-- Positions far from the elements: the moves follow the slot-by-slot rule (every t[i] moves
-- one key along, absent ones included), checked against that rule written out here, and the
-- cost follows the table and not the distance (positions near -2^31 finish at once).
local function sample()
  local s = {10, 20, 30, [-5000] = "a", [-4999] = "b", [-3] = "c", [2.5] = "d", [7] = "e", k = "f"}
  table.setn(s, 3)
  return s
end
local function snapshot(s)
  local keys = {}
  for k, v in pairs(s) do table.insert(keys, tostring(k) .. "=" .. tostring(v)) end
  table.sort(keys)
  return table.concat(keys, " ")
end
local function modelInsert(s, pos, v)
  local n = table.getn(s) + 1
  if pos > n then n = pos end
  table.setn(s, n)
  for i = n - 1, pos, -1 do rawset(s, i + 1, rawget(s, i)) end
  rawset(s, pos, v)
end
local function modelRemove(s, pos)
  local n = table.getn(s)
  table.setn(s, n - 1)
  local r = rawget(s, pos)
  for i = pos, n - 1 do rawset(s, i, rawget(s, i + 1)) end
  rawset(s, n, nil)
  return r
end
local farCases = {-6000, -5000, -4999, -3, 0, 1, 2}
for i = 1, table.getn(farCases) do
  local pos = farCases[i]
  local got, want = sample(), sample()
  table.insert(got, pos, "x")
  modelInsert(want, pos, "x")
  check("insert far at " .. pos, snapshot(got), snapshot(want))
  check("insert far size at " .. pos, table.getn(got), table.getn(want))
  got, want = sample(), sample()
  check("remove far at " .. pos, table.remove(got, pos), modelRemove(want, pos))
  check("remove far rest at " .. pos, snapshot(got), snapshot(want))
end
t = {1, 2, 3}
table.insert(t, -2147483647, "x")
check("insert at the lowest position", t[-2147483647], "x")
check("insert at the lowest position moves everything", list(t, 4), "nil 1 2 3")
t = {1, 2, 3}
checklist("remove at the lowest position", A(table.remove(t, -2147483647)), A(nil))
check("remove at the lowest position moves everything", list(t, 3), "2 3 nil")

-- sizes
check("getn n field", table.getn({n = 5}), 5)
check("getn n fraction", table.getn({n = 3.7, 1}), 3)
check("getn counting", table.getn({1, 2, 3}), 3)
check("getn hole", table.getn({1, nil, 3}), 1)
t = {1, 2}
table.setn(t, 10)
check("setn without n", table.getn(t), 10)
check("setn leaves no n", rawget(t, "n"), nil)
t = {n = 2, 1, 2, 3}
table.setn(t, 7)
check("setn with n", t.n, 7)
E("setn value", function() table.setn({}, "x") end, "bad argument #2 to `setn' (number expected, got string)")
E("getn type", function() table.getn(nil) end, "bad argument #1 to `getn' (table expected, got nil)")

-- concat
check("concat sep", table.concat({1, 2, 3}, ", "), "1, 2, 3")
check("concat empty range", table.concat({1, 2, 3}, ", ", 3, 2), "")
check("concat j 0", table.concat({1, 2, 3}, "-", 2, 0), "2-3")
check("concat no sep", table.concat({"a", "b", 3.5}), "ab3.5")
check("concat range", table.concat({"a", "b", "c", "d"}, "", 2, 3), "bc")
E("concat non-string", function() table.concat({1, {}}) end, "bad argument #1 to `concat' (table contains non-strings)")
E("concat wide", function() table.concat({"a", L"b"}) end, "concatenate")
E("concat wide sep", function() table.concat({"a"}, L"b") end, "bad argument #2 to `concat' (string expected, got wstring)")
local big = {}
for i = 1, 3000 do big[i] = "ab" end
check("concat big", string.len(table.concat(big)), 6000)

-- foreach
local sum = 0
check("foreach result", table.foreach({a = 1, b = 2}, function(k, v) sum = sum + v end), nil)
check("foreach visits all", sum, 3)
check("foreach stops", table.foreach({5, 6, 7}, function(k, v) if v == 6 then return k end end), 2)
check("foreachi stops", table.foreachi({"a", "b", "c"}, function(i, v) if v == "b" then return v .. i end end), "b2")
local order = {}
table.foreachi({"x", "y", "z"}, function(i, v) table.insert(order, v) end)
check("foreachi order", table.concat(order), "xyz")
E("foreach function", function() table.foreach({}, 1) end, "bad argument #2 to `foreach' (function expected, got number)")

-- sort
t = {5, 3, 9, 1, 3, 7, 2, 8}
table.sort(t)
check("sort numbers", list(t, 8), "1 2 3 3 5 7 8 9")
t = {"pear", "apple", "fig", "banana"}
table.sort(t)
check("sort strings", list(t, 4), "apple banana fig pear")
t = {1, 4, 2, 3}
table.sort(t, function(a, b) return a > b end)
check("sort comparison", list(t, 4), "4 3 2 1")
t = {}
for i = 1, 1000 do t[i] = (i * 7919) - 1000 * floor(i * 7919 / 1000) end
table.sort(t)
local sorted = true
for i = 2, 1000 do if t[i - 1] > t[i] then sorted = false end end
check("sort 1000", sorted, true)
-- records with duplicate keys come out ordered by key; the comparison is called
local recs, calls = {}, 0
for i = 1, 50 do recs[i] = {key = 50 - i - 10 * floor((50 - i) / 10), id = i} end
table.sort(recs, function(a, b) calls = calls + 1 return a.key < b.key end)
local ordered = true
for i = 2, 50 do if recs[i - 1].key > recs[i].key then ordered = false end end
check("sort records", ordered, true)
check("sort calls the comparison", calls >= 49, true)
-- the exact quicksort: order of equal keys and number of comparisons, traced by hand
local recs2 = {{k = 2, id = "2a"}, {k = 1, id = "1"}, {k = 2, id = "2b"}, {k = 0, id = "0"}, {k = 2, id = "2c"}}
local ncalls = 0
table.sort(recs2, function(a, b) ncalls = ncalls + 1 return a.k < b.k end)
local ids = {}
for i = 1, 5 do ids[i] = recs2[i].id end
check("sort golden order", table.concat(ids, " "), "0 1 2a 2b 2c")
check("sort golden calls", ncalls, 10)
local nums = {5, 1, 4, 2, 3}
ncalls = 0
table.sort(nums, function(a, b) ncalls = ncalls + 1 return a < b end)
check("sort golden numbers", list(nums, 5), "1 2 3 4 5")
check("sort golden number calls", ncalls, 9)
E("sort inconsistent", function() table.sort({1, 2, 3, 4, 5}, function() return true end) end,
  "invalid order function for sorting")
-- an inconsistent comparison that lets a scan leave the range ends in the error, and the
-- element beyond the range is left alone
local guarded = {4, 3, 2, 1, "outside"}
table.setn(guarded, 4)
E("sort stops at the end of the range", function()
  table.sort(guarded, function(a, b)
    if a == "outside" or b == "outside" then return false end
    return true
  end)
end, "invalid order function for sorting")
check("element beyond the range", guarded[5], "outside")
E("sort comparison type", function() table.sort({}, 1) end, "bad argument #2 to `sort' (function expected, got number)")
E("sort mixed", function() table.sort({1, "x", 2}) end, "attempt to compare")
-- plain numbers are ordered exactly as the general path (a comparison function) orders them,
-- signed zeros and duplicates included
local negzero = 0 * -1
local function signs(t, n)
  local s = {}
  for i = 1, n do
    local v = t[i]
    if v == 0 then
      if 1 / v > 0 then s[i] = "+0" else s[i] = "-0" end
    else
      s[i] = tostring(v)
    end
  end
  return table.concat(s, " ")
end
local same_order = true
for trial = 1, 30 do
  local a, b = {}, {}
  local seed = trial
  local n = 2 + trial * 7
  for i = 1, n do
    seed = seed * 75 + 74
    seed = seed - 65537 * floor(seed / 65537)
    local v = floor(seed / 4096) - 8
    if v == 3 then v = negzero elseif v == 4 then v = 0 end
    a[i] = v
    b[i] = v
  end
  table.sort(a)
  table.sort(b, function(x, y) return x < y end)
  if signs(a, n) ~= signs(b, n) then same_order = false end
end
check("plain numbers order as the general path", same_order, true)
check("NaN does not crash the sort", type(pcall(table.sort, {3, 0 / 0, 1, 2, 0 / 0})), "boolean")
t = {2, "x", 1}
E("numbers then a string", function() table.sort(t) end, "attempt to compare")
t = {3, 1, 2}
table.sort(t, nil)
check("sort nil comparison", list(t, 3), "1 2 3")

done("lib_table")
