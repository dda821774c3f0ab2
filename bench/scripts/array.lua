-- Table array part: inserts by index, table.insert, and reads.
local total = 0
for round = 1, 100 do
  local t = {}
  for i = 1, 100000 do
    t[i] = i * 2
  end
  for i = 1, 100000 do
    total = total + t[i]
  end
  local u = {}
  local n = 0
  for i = 1, 20000 do
    table.insert(u, i)
    n = n + 1
  end
  total = total + n + u[n]
end
print(total)
