// A gunner of the field fixture game: it drives the bullet natives for the tests, as its
// arguments' "scenario" says, and prints what they answer.

function scenario(args) {
  local s = args.scenario;
  if (s == "add") {
    local type = bulletDefineType({count = 2});
    local motion = bulletDefineMotion({type = type, timeout = 7});
    print("gunner add " + bulletAdd(motion, args.params));
  } else if (s == "stale") {
    // Handles of a released map, of another kind, and a made-up number.
    bulletShareType(args.type);
    print("gunner add " + bulletAdd(args.motion, {}));
    bulletDefineMotion({type = args.current});
    objectSetAttackDynamic(args.dynamic, 1);
    bulletAdd(12345, {});
    print("gunner done");
  } else if (s == "define") {
    local type = bulletDefineType({count = 1});
    local child = bulletDefineMotion({type = type});
    local motion = bulletDefineMotion({type = type, events = [
      {frame = -5, move = "2", rot = "0 1 0 90", genRand = "1 1",
       // Flags 4: an angle follows the five elements; the next group lacks its sixth.
       binds = [child, 4, "1 2 3", "0 1 0 0", "", 90, child, 12, "", "", ""]},
      // A turn that is not a text makes no event, nor a rotYTop that is not a bool.
      {frame = 3, rots = ["0 1 0 90", "1 0 0 90"], drot = 5, rotYTop = 1}
    ]});
    print("gunner motion " + motion);
  } else if (s == "dynamic") {
    local dynamic = bulletDefineDynamic({flag = args.flag, timeout = args.timeout,
                                         notifies = "dyn"});
    objectSetAttackDynamic(dynamic, 1);
  }
}

function work() {
  local args = baseGetArgsVar(0);
  scenario(args);
  for (local frame = 1; ; frame += 1) {
    if ("clearAt" in args && args.clearAt == frame) objectClearAttackDynamic();
    if ("exitAt" in args && args.exitAt == frame) objectRequestExit();
    suspend(null);
  }
}
