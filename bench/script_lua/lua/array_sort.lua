-- Array append, index access and sorting (same counts as array_sort.nut).
local a = {}
local seed = 12345
for i = 0, 600000 - 1 do
  seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
  a[#a + 1] = seed % 100000
end
local b = table.move(a, 1, #a, 1, {})
table.sort(a)
local ok = true
for i = 2, #a do if a[i - 1] > a[i] then ok = false end end
local c = table.move(b, 1, 60000, 1, {})
table.sort(c, function(x, y) return y < x end)
local s = 0
for i = 1, #a, 1000 do s = s + a[i] end
while #b > 300000 do b[#b] = nil end
print("sorted " .. tostring(ok) .. " sample " .. s .. " desc first " .. c[1] .. " last " .. c[#c] .. " b " .. #b)
