// A probe of the field fixture game for the tests of the object table: the texts of its
// arguments' "steps" are compiled and run one in each frame, as the object's own script, and
// what a step returns is printed. Steps keep values for later steps in the script's root
// table (`name <- value`).

// Squirrel prints null with its address; the tests read "null".
function show(v) {
  return v == null ? "null" : "" + v;
}

function work() {
  local args = baseGetArgsVar(0);
  local steps = args != null && "steps" in args ? args.steps : [];
  foreach (step in steps) {
    local result = compilestring(step)();
    if (result != null) print(show(result));
    suspend(null);
  }
  for (;;) suspend(null);
}
