-- Class instantiation, method calls, field access and metamethods (same counts as class_calls.nut).
local Vec2 = {}
Vec2.__index = Vec2
local function newVec2(a, b) return setmetatable({x = a, y = b}, Vec2) end
function Vec2:add(o) return newVec2(self.x + o.x, self.y + o.y) end
function Vec2:dot(o) return self.x * o.x + self.y * o.y end
Vec2.__add = function(p, o) return newVec2(p.x + o.x, p.y + o.y) end
function Vec2:scaleInPlace(k) self.x = self.x * k; self.y = self.y * k end

local Particle = {}
Particle.__index = Particle
local function newParticle(px, py)
  return setmetatable({pos = newVec2(px, py), vel = newVec2(1.0, 0.5), age = 0}, Particle)
end
function Particle:update()
  self.pos = self.pos:add(self.vel)
  self.vel:scaleInPlace(0.999)
  self.age = self.age + 1
  return self.pos:dot(self.vel)
end

local ps = {}
for i = 0, 99 do ps[#ps + 1] = newParticle(i * 1.0, i * 2.0) end
local acc = 0.0
for frame = 0, 3999 do
  for _, p in ipairs(ps) do acc = acc + p:update() end
end
local v = newVec2(0.0, 0.0)
for i = 0, 299999 do v = v + newVec2(0.5, 0.25) end
print(string.format("acc %g v %g,%g age %d", acc, v.x, v.y, ps[1].age))
