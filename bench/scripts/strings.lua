-- String building: concatenation in a loop, table.concat, string.rep and string.sub.
local total = 0
for round = 1, 30 do
  local s = ""
  for i = 1, 2000 do
    s = s .. "x"
  end
  total = total + string.len(s)
  local parts = {}
  for i = 1, 20000 do
    parts[i] = "item" .. i
  end
  local joined = table.concat(parts, ",")
  total = total + string.len(joined)
  local r = string.rep("ab", 10000)
  for i = 1, 10000 do
    total = total + string.len(string.sub(r, i, i + 3))
  end
end
print(total)
