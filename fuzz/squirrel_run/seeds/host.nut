// Natives of the host that call back into scripts and reach metamethods through the C
// interface.
function deep(n) { local a = n, b = a; if (n == 0) return 0; return 1 + deep(n - 1); }
class Meta {
	function _get(k) { return k + deep(200); }
	function _set(k, v) { deep(200); }
	function _cmp(o) { deep(200); return 1; }
	function _tostring() { return "meta" + deep(200); }
}
local m = Meta();
print(hostcall(deep, 300) + " " + hostget(m, "k") + " " + hostcmp(m, Meta()) + " " + hoststring(m) + "\n");
hostset(m, "k", 1);
local t = { a = 1, b = 2 };
hostslot(t, "c", 3);
print(hostdelete(t, "a") + " " + hostkeys(t).len() + "\n");
