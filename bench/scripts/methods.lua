-- Method calls through metatables: a small class with __index and an inherited method.
local Point = {}
Point.__index = Point
function Point.new(x, y)
  return setmetatable({x = x, y = y}, Point)
end
function Point:add(o)
  return Point.new(self.x + o.x, self.y + o.y)
end
function Point:dot(o)
  return self.x * o.x + self.y * o.y
end
local Point3 = setmetatable({}, {__index = Point})
Point3.__index = Point3
function Point3.new(x, y, z)
  local p = Point.new(x, y)
  p.z = z
  return setmetatable(p, Point3)
end
function Point3:len2()
  return self:dot(self) + self.z * self.z
end
local total = 0
local p = Point.new(0, 0)
local d = Point.new(1, 2)
for i = 1, 1500000 do
  p = p:add(d)
  total = total + p:dot(d)
end
local q = Point3.new(1, 2, 3)
for i = 1, 1500000 do
  total = total + q:len2()
end
print(total)
