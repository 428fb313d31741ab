// The second script of the field fixture game: it runs after the camera in every frame, as the
// root base.

print("second top");

function init() {
  print("second init");
}

function work() {
  local args = baseGetArgsVar(0);
  if (args != null && "scenario" in args && args.scenario == "bases") {
    print("second sees args " + args.scenario);
    baseSetShareVar(0, "second");
  }
  for (local frame = 1; ; frame += 1) {
    print("second frame " + frame);
    suspend(null);
  }
}
