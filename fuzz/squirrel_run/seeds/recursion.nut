// Recursion: plain, tail, through natives, through metamethods, and without end.
function sum(n) { return n == 0 ? 0 : n + sum(n - 1); }
print(sum(3000) + "\n");
function countdown(n, acc) { if (n == 0) return acc; return countdown(n - 1, acc + 1); }
print(countdown(10000, 0) + "\n");
function viaCall(n) { if (n == 0) return 0; return viaCall.call(this, n - 1) + 1; }
try { viaCall(200); } catch (e) { print(e + "\n"); }
class Lazy { function _get(k) { return missing; } }
try { print(Lazy().zz); } catch (e) { print(e + "\n"); }
function down(n) { return 1 + down(n + 1); }
try { down(0); } catch (e) { print(e + "\n"); }
local a = [5, 3, 9, 1];
a.sort(function(x, y) { return sum(50) * 0 + x - y; });
print(a[0] + "\n");
