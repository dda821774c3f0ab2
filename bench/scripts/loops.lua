-- Numeric loops and arithmetic on locals.
local sum = 0
for i = 1, 300 do
  for j = 1, 100000 do
    sum = sum + i * j - j / 2
  end
end
local count = 0
local k = 0
while k < 5000000 do
  k = k + 1
  if k > 2500000 then count = count + 1 end
end
print(sum, count)
