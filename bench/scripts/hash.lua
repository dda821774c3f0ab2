-- Table hash part: string and number keys, inserts, reads and updates.
local keys = {}
for i = 1, 5000 do
  keys[i] = "key" .. i
end
local total = 0
for round = 1, 400 do
  local t = {}
  for i = 1, 5000 do
    t[keys[i]] = i
  end
  for i = 1, 5000 do
    total = total + t[keys[i]]
  end
  for i = 1, 5000 do
    local k = keys[i]
    t[k] = t[k] + 1
  end
  local h = {}
  for i = 1, 5000 do
    h[i * 7.5] = i
  end
  for i = 1, 5000 do
    total = total + h[i * 7.5]
  end
end
print(total)
