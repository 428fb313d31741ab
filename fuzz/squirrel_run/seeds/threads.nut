// Threads that suspend, are woken up with values, and fail.
function deep(n) { local a = n, b = a; if (n == 0) return 0; return 1 + deep(n - 1); }
local worker = newthread(function(n) {
	local got = suspend(deep(n));
	got = suspend(got + deep(n));
	return got * 2;
});
print(worker.call(100) + " " + worker.getstatus() + "\n");
print(worker.wakeup(1) + "\n");
print(worker.wakeup(5) + " " + worker.getstatus() + "\n");
local bad = newthread(function() { throw "thread error"; });
try { bad.call(); } catch (e) { print(e + "\n"); }
