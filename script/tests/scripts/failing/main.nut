// A run-time error in the second frame, two calls deep.
function fail(n) {
  local half = n / 2;
  throw "bad frame " + half;
}

function work() {
  suspend(1);
  local answer = 42;
  local label = "second";
  fail(answer);
}
