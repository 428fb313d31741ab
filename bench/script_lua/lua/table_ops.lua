-- Table insertion, lookup and deletion with string and integer keys (same counts as
-- table_ops.nut). Lua tables keep no count, so the script keeps one as it inserts and deletes.
local t = {}
local left = 0
local n = 200000
for i = 0, n - 1 do t["key" .. i] = i; left = left + 1 end
local hits = 0
for round = 0, 4 do
  for i = 0, n - 1, 3 do
    if t["key" .. i] ~= nil then hits = hits + (t["key" .. i] & 7) end
  end
end
for i = 0, n - 1, 2 do t["key" .. i] = nil; left = left - 1 end
local it = {}
for i = 0, 599999 do it[i * 13] = i end
local s = 0
for k, v in pairs(it) do s = (s + v) % 1000007 end
print("hits " .. hits .. " left " .. left .. " sum " .. s)
