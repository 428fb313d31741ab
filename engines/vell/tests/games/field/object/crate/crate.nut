// A crate of the field fixture game: it prints its frames with its tag and, when its arguments
// name a frame "exitAt", asks to exit in that frame; with "walk" it walks that far a frame
// towards +x and prints where it is and what its last move reported.

function work() {
  local args = baseGetArgsVar(0);
  local tag = args != null && "tag" in args ? args.tag : "crate";
  if (args != null && "walk" in args) {
    objectMoveLand(args.walk, 90);
  }
  for (local frame = 1; ; frame += 1) {
    if (args != null && "walk" in args) {
      local r = objectGetMoveResult();
      print(tag + " at " + objectGetPos().x + " land " + objectIsLand() + " flag " + r.flag);
    }
    print(tag + " frame " + frame);
    if (args != null && "exitAt" in args && args.exitAt == frame) {
      objectRequestExit();
      print(tag + " exit status " + baseGetStatus(0));
    }
    suspend(null);
  }
}
