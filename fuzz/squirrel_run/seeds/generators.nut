// Generators resumed by foreach and by resume, with errors inside them.
function deep(n) { local a = n, b = a; if (n == 0) return 0; return 1 + deep(n - 1); }
function count(n) {
	for (local i = 0; i < n; i++) yield deep(i * 10);
	return "done";
}
foreach (x in count(5)) print(x + "\n");
local g = count(3);
print(resume g + " " + resume g + " " + g.getstatus() + "\n");
function failing() { yield 1; throw "inside"; }
local f = failing();
resume f;
try { resume f; } catch (e) { print(e + " " + f.getstatus() + "\n"); }
