// A crate of the field fixture game: it prints its frames with its tag and, when its arguments
// name a frame "exitAt", asks to exit in that frame.

function work() {
  local args = baseGetArgsVar(0);
  local tag = args != null && "tag" in args ? args.tag : "crate";
  for (local frame = 1; ; frame += 1) {
    print(tag + " frame " + frame);
    if (args != null && "exitAt" in args && args.exitAt == frame) {
      objectRequestExit();
      print(tag + " exit status " + baseGetStatus(0));
    }
    suspend(null);
  }
}
