-- Closures and upvalues: counters made in a loop, shared upvalues, calls through closures.
local function counter()
  local n = 0
  return function(step)
    n = n + step
    return n
  end
end
local total = 0
for round = 1, 1000 do
  local fs = {}
  for i = 1, 100 do
    fs[i] = counter()
  end
  for j = 1, 100 do
    for i = 1, 100 do
      total = total + fs[i](1)
    end
  end
end
local acc = 0
local function add(x) acc = acc + x end
for i = 1, 5000000 do
  add(i)
end
print(total, acc)
