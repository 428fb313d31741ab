// Every metamethod of a class, some of them recursing deeply before they answer.
function deep(n) { local a = n, b = a, c = b; if (n == 0) return 0; return 1 + deep(n - 1); }
class Vec {
	x = 0; y = 0;
	constructor(a, b) { x = a; y = b; }
	function _add(o) { return Vec(x + o.x, y + o.y); }
	function _sub(o) { return Vec(x - o.x, y - o.y); }
	function _mul(k) { return Vec(x * k, y * k); }
	function _div(k) { return Vec(x / k, y / k); }
	function _modulo(k) { return Vec(x % k, y % k); }
	function _unm() { return Vec(-x, -y); }
	function _cmp(o) { return x - o.x; }
	function _tostring() { return "(" + x + "," + y + ")"; }
	function _typeof() { return "vec" + deep(50); }
	function _get(k) { if (k == "len") return x + y; throw "no " + k; }
	function _set(k, v) { if (k == "both") { x = v; y = v; return; } throw "no " + k; }
	function _call(self, a) { return x * a; }
	function _nexti(p) { return p == null ? "x" : (p == "x" ? "y" : null); }
	function _cloned(o) { x = o.x + deep(20); }
}
local v = Vec(1, 2) + Vec(3, 4) * 2 - Vec(1, 1);
print(v + " " + typeof v + " " + v.len + " " + (v < Vec(9, 9)) + " " + v(3) + "\n");
v.both = 4;
foreach (k, val in v) print(k + "=" + val + "\n");
local c = clone v;
try { v.nothing = 1; } catch (e) { print(e + "\n"); }
try { print(v.nothing); } catch (e) { print(e + "\n"); }
print(-c + " " + (c / 2) + " " + (c % 3) + "\n");
