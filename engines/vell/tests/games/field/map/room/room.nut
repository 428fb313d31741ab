// The map script of the field fixture game's room.

print("map top " + mapGetEvent(0).no + " " + mapGetEvent(0).options.len() + " " + (mapGetEvent(5) == null));

// When the engine's arguments have "mapSteps", their texts are compiled and run one in each
// frame instead, and what a step returns is printed after "map ".
function steps(list) {
  foreach (step in list) {
    local result = compilestring(step)();
    if (result != null) print("map " + result);
    suspend(null);
  }
  for (;;) suspend(null);
}

function work() {
  local root = baseGetArgsVar(systemGetBaseId());
  if (root != null && "mapSteps" in root) steps(root.mapSteps);
  baseSetShareVar(0, "room");
  mapSetEventEnable(0, false);
  mapSetEventEnable(1, false);
  mapUpdateCache();
  mapSetShow(false);
  for (local frame = 1; ; frame += 1) {
    print("map frame " + frame);
    suspend(null);
  }
}
