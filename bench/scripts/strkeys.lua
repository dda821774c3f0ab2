-- Tables built with concatenated string keys: "k"..i keys stored, read back and traversed.
local total = 0
for round = 1, 10 do
  local t = {}
  for i = 1, 20000 do
    t["k" .. i] = i
  end
  for i = 1, 20000 do
    total = total + t["k" .. i]
  end
  for k, v in pairs(t) do
    total = total + v
  end
  local u = {}
  for i = 1, 2000 do
    u["row" .. i .. "col" .. (i + 1)] = true
  end
  for k in pairs(u) do
    total = total + 1
  end
end
print(total)
