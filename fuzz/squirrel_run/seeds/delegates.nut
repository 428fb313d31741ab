// Delegates with table metamethods, and a delegate of the root table for unknown names.
local base = {
	_get = function(k) { return "default " + k; }
	_set = function(k, v) { throw "read only " + k; }
	_newslot = function(k, v) { rawset(k, v * 2); }
	_delslot = function(k) { print("deleting " + k + "\n"); }
	greet = function() { return "hello"; }
}
local t = delegate base : { own = 1 };
print(t.own + " " + t.missing + " " + t.greet() + "\n");
t.fresh <- 5;
print(t.fresh + "\n");
delete t.fresh;
try { t.other = 1; } catch (e) { print(e + "\n"); }
delegate { _get = function(k) { return "global " + k; } } : getroottable();
print(undefinedName + "\n");
