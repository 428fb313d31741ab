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

// The flags of a ctrlGetArray table: "key=0101..." per key, keys sorted.
function describe(t) {
  local keys = [];
  foreach (k, v in t) keys.push(k);
  keys.sort();
  local text = "";
  foreach (k in keys) {
    text += (text == "" ? "" : " ") + k + "=";
    foreach (flag in t[k]) text += flag ? "1" : "0";
  }
  return text;
}

// The controllers, post effects and sounds of the root table; the test looks at the engine
// between the frames.
function rootNatives() {
  print("mask 5 " + describe(ctrlGetArray(0, 5)));
  print("mask 7 " + describe(ctrlGetArray(1, 7)));
  print("mask 0 [" + describe(ctrlGetArray(0, 0)) + "] controller 9 " + describe(ctrlGetArray(9, 1)));
  print("get " + ctrlGetEvent(0, 1) + " " + ctrlGetStatus(0, 2) + " " + ctrlGetIntr(0, 3) + " " +
        ctrlGetEvent(0, 16) + " " + ctrlGetStatus(-1, 0));
  ctrlSetEvent(1, 4, true);
  ctrlSetStatus(1, 5, true);
  ctrlSetIntr(1, 15, true);
  ctrlSetIntr(1, 16, true);
  ctrlSetEvent(4, 0, true);
  ctrlSetStatus(0, 2, false);
  suspend(null);
  ctrlClear(0);
  local handles = [];
  for (local type = 0; type <= 10; type += 1) handles.push(systemRegistPostEffect(type, {}));
  local text = "";
  foreach (h in handles) text += h != 0 ? "1" : "0";
  print("post " + text);
  systemClearPostEffect(handles[3]);
  suspend(null);
  systemClearPostEffectWater();
  suspend(null);
  systemClearPostEffectAll();
  suspend(null);
  local map = systemResetMap("room", "room");
  basePlaySe(map, 1, -1);
  basePlaySe(map, 0, 3);
  suspend(null);
  basePlaySe(map, 1, 3);
  suspend(null);
  basePlaySe(0, 0, 0);
  basePlaySe(0, 1, 0);
  suspend(null);
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
  } else if (s == "root") {
    rootNatives();
  } else if (s == "steps") {
    steps();
  }
  systemRequestExit();
}
