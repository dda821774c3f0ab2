-- table.sort on numbers, on strings, and with a comparison function.
local seed = 42
local function rand()
  seed = seed * 1103515245 + 12345
  seed = seed - 2147483648 * tonumber(string.format("%d", seed / 2147483648))
  if seed < 0 then seed = seed + 2147483648 end
  return seed
end
local total = 0
for round = 1, 5 do
  local t = {}
  for i = 1, 30000 do t[i] = rand() end
  table.sort(t)
  total = total + t[1] / 1000000
  local s = {}
  for i = 1, 10000 do s[i] = "s" .. rand() end
  table.sort(s)
  total = total + string.len(s[1])
  local r = {}
  for i = 1, 20000 do r[i] = {key = rand()} end
  table.sort(r, function(a, b) return a.key > b.key end)
  total = total + r[1].key / 1000000
end
print(total)
