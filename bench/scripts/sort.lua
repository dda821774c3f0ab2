-- table.sort on numbers, on strings, and with a comparison function.
local seed = 42
-- Park-Miller generator: every product stays below 2^53, so doubles and integers agree.
local function rand()
  seed = seed * 16807
  seed = seed - 2147483647 * tonumber(string.format("%.0f", seed / 2147483647 - 0.5))
  if seed < 0 then seed = seed + 2147483647 end
  if seed >= 2147483647 then seed = seed - 2147483647 end
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
