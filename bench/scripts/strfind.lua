-- Pattern matching: string.find with patterns and plain text, string.gsub with strings and
-- functions.
local words = {}
for i = 1, 200 do
  words[i] = "word" .. i .. " = value" .. i .. ";"
end
local text = table.concat(words, " ")
local total = 0
for round = 1, 3000 do
  local pos = 1
  while true do
    local s, e, k, v = string.find(text, "(%w+) = (%w+);", pos)
    if not s then break end
    total = total + string.len(k) + string.len(v)
    pos = e + 1
  end
  local s = string.find(text, "word150", 1, true)
  total = total + s
  local r, n = string.gsub(text, "value", "V")
  total = total + n + string.len(r)
  local r2, n2 = string.gsub(text, "%d+", function(d) return "" end)
  total = total + n2
end
print(total)
