// Weak references kept in tables, arrays, instances and class defaults.
local target = { name = "target" };
local holder = { w = target.weakref() };
local list = [target.weakref()];
class Keeper { w = null; }
local k = Keeper();
k.w = target.weakref();
print(holder.w.name + " " + list[0].name + " " + k.w.name + " " + (holder.rawget("w") == target) + "\n");
foreach (key, val in holder) print(key + " " + typeof val + "\n");
target = null;
print((holder.w == null) + " " + (list[0] == null) + " " + (k.w == null) + "\n");
local cyc = {};
cyc.self <- cyc;
local wc = cyc.weakref();
cyc = null;
collectgarbage();
print((wc.ref() == null) + "\n");
