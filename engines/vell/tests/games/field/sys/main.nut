// The root script of the field fixture game. By default it logs the order in which the engine
// runs its scripts for three frames and ends the engine; the "scenario" of the engine's
// arguments picks another run for the tests.

print("root top");

function init() {
  print("root init");
}

// Squirrel prints null with its address; the tests read "null".
function show(v) {
  return v == null ? "null" : "" + v;
}

function scenario() {
  local args = baseGetArgsVar(0);
  return args != null && "scenario" in args ? args.scenario : "order";
}

function bases() {
  local root = systemGetBaseId();
  print("root id " + (root != 0) + " " + (root == systemGetBaseId()));
  print("args " + baseGetArgsVar(0).scenario + " " + baseGetArgsVar(root).scenario);
  print("camera args " + show(baseGetArgsVar(cameraGetBaseId())));
  baseSetShareVar(0, 7);
  print("share " + baseGetShareVar(root));
  print("status " + baseGetStatus(0) + " map " + mapGetBaseId());
  print("dirs [" + systemGetDir() + "] [" + systemGetBaseDir() + "] [" + systemGetCameraDir() + "]");
  suspend(null);
  // The second script and the camera ran in between.
  print("share after second " + baseGetShareVar(0));
  print("camera share " + baseGetShareVar(cameraGetBaseId()));
}

function maps() {
  print("map before " + mapGetBaseId());
  local id = systemResetMap("room", "room");
  print("map id " + (id != 0) + " " + (id == mapGetBaseId()));
  print("map dir " + systemGetMapDir());
  print("object dir " + systemGetObjectDir());
  suspend(null);
  print("map share " + baseGetShareVar(id));
  suspend(null);
  // A second reset replaces the map: the first map's id is refused from now on.
  local again = systemResetMap("room", "room");
  print("new map " + (again != id) + " " + show(baseGetShareVar(id)));
}

// Objects from the root script: created before and after the map reset, one kept by a
// reference through its exit until the reference is released.
function objects() {
  print("before map " + objectCreate("crate", "crate", {}));
  systemResetMap("room", "room");
  local kept = objectCreate("crate", "crate",
                            {flag = 1, posrot = "1 0 3 90", args = {tag = "kept", exitAt = 1}});
  local plain = objectCreate("crate", "crate", {args = {tag = "plain"}});
  print("ids " + (kept != 0) + " " + plain);
  local p = baseGetPos(kept);
  print("kept at " + p.x + " " + p.y + " " + p.z + " status " + baseGetStatus(kept));
  suspend(null);
  print("kept status " + baseGetStatus(kept));
  baseReleaseRef(kept);
  print("released status " + baseGetStatus(kept));
  suspend(null);
  // Deleted at the end of the last object update: the id is refused.
  baseGetStatus(kept);
}

// The texts of the arguments' "steps" compiled and run one in each frame; what a step returns
// is printed.
function steps() {
  foreach (step in baseGetArgsVar(0).steps) {
    local result = compilestring(step)();
    if (result != null) print(show(result));
    suspend(null);
  }
}

function work() {
  local s = scenario();
  if (s == "order") {
    for (local frame = 1; frame <= 3; frame += 1) {
      print("root frame " + frame);
      suspend(null);
    }
  } else if (s == "bases") {
    bases();
  } else if (s == "nomap") {
    print("map dir " + show(systemGetMapDir()));
    print("object dir " + show(systemGetObjectDir()));
    mapSetDecalOffset(1.0, 2.0, 3.0);
    mapRegistDecal(1, null);
    print("decals done");
  } else if (s == "map") {
    maps();
  } else if (s == "objects") {
    objects();
  } else if (s == "steps") {
    steps();
  }
  systemRequestExit();
}
