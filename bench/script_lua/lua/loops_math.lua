-- Integer and float arithmetic in tight loops (same counts as loops_math.nut).
local isum = 0
for i = 0, 9000000 - 1 do
  isum = (isum + i * 7) ~ (i >> 3)
  isum = isum % 1000003
end
local fsum, x = 0.0, 0.5
for i = 0, 4500000 - 1 do
  x = x * 1.0001 + 0.25
  if x > 1000.0 then x = x / 1000.0 end
  fsum = fsum + x
end
print(string.format("int %d float %g", isum, fsum))
