// The system script of the fixture match: the parameters of the match, then one frame after
// another until the 600th (or as many as the game's integer parameter 0 says, when it is above
// 0), in which it notes the frames played in the game's integer parameter 1 (saved with the
// game's parameter file) and asks the engine to end (a replay being written gets its streams in
// that frame).
//
// System parameters: 0 the frame count, 1 the hits seen. Player parameters: 0 life (0..1000,
// starts at 1000), 1 frames until the next melee, 2 bullets fired, 3 whether the player asked
// for its quiescence yet.
frameLimit <- globalGetIntegerParameterCount() > 0 && globalGetIntegerParameterValue(0) > 0 ?
              globalGetIntegerParameterValue(0) : 600;

systemSetParameterCount(2);
systemSetParameterDefine(0, 0, frameLimit, 0);
systemSetParameterDefine(1, 0, 0, 0);
playerSetParameterCount(4);
playerSetParameterDefine(0, 1000, 0, 1000, 1);
playerSetParameterDefine(1, 30, 0, 120, 0);
playerSetParameterDefine(2, 0, 0, 0, 0);
playerSetParameterDefine(3, 0, 0, 1, 0);
systemSetDrawTypeNormal(false);
systemSetTaskEnable(true);

function work() {
  while (true) {
    local frame = systemGetParameterValue(0) + 1;
    systemSetParameterValue(0, frame);
    local hits = 0;
    for (local slot = 0; slot < 2; slot += 1) {
      hits += 1000 - playerGetParameterValue(slot, 0);
      if (ctrlGetEvent(slot, 0)) systemPlaySe(0);
    }
    systemSetParameterValue(1, hits);
    if (frame >= frameLimit) {
      print("match over after " + frame + " frames, damage " + hits);
      if (globalGetIntegerParameterCount() < 2) globalSetIntegerParameterCount(2);
      globalSetIntegerParameterValue(1, frame);
      systemRequestExit();
    }
    suspend(null);
  }
}
