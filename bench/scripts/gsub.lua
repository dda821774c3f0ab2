-- String building with string.gsub and concatenation: templates filled in by a function,
-- captures rewritten, a growing text rewritten whole, pieces joined.
local total = 0
for round = 1, 40 do
  local parts = {}
  for i = 1, 1000 do
    local vars = {name = "item" .. i, id = i * 3, tag = "t" .. (i + 7)}
    local line = string.gsub("name=$name id=$id tag=<$tag>", "%$(%w+)", function(k)
      return vars[k]
    end)
    line = string.gsub(line, "<(%w+)>", "[%1]")
    parts[i] = line
  end
  local text = table.concat(parts, "\n")
  local doubled, n = string.gsub(text, "(%w+)=", "%1:%1=")
  total = total + string.len(doubled) + n
  local acc = ""
  for i = 1, 400 do
    acc = acc .. parts[i] .. ";"
  end
  total = total + string.len(acc)
end
local big = string.rep("abc def ", 20000)
for round = 1, 4 do
  big = string.gsub(big, "(%a+)", "<%1>")
  total = total + string.len(big)
  big = string.gsub(big, "[<>]", "")
end
print(total)
