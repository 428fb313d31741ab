-- String concatenation, slicing, searching and number formatting (same counts as
-- string_build.nut). The script's one wide character is one 16-bit unit there; here it is the
-- one byte "#", so lengths, positions and the printed integers agree.
local total = 0
for round = 0, 219 do
  local s = ""
  for i = 0, 1499 do s = s .. (i % 7 == 0 and "#" or "x") .. i end
  local pos, count = 1, 0
  while true do
    local found = string.find(s, "#", pos, true)
    if not found then break end
    count = count + 1
    pos = found + 1
  end
  total = total + count + #string.sub(s, 101, 200) + #s % 97
end
local parts = {}
for i = 0, 89999 do parts[#parts + 1] = tostring(i) .. ":" .. string.format("%g", i * 0.5) end
local joined = ""
for i = 1, #parts, 100 do joined = joined .. parts[i] end
print("total " .. total .. " joined " .. #joined)
