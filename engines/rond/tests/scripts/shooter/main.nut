// The shooter of the bullet tests: a type of three bullets of the model "shot", a program that
// stands still and one that spreads two children at once. Parameter 4 picks what it tries in a
// frame (the test writes it), then goes back to 0:
//   1  four bulletAdd in one frame: the accepted count in parameter 1, bulletCanAdd after them
//      in parameter 2
//   2  bulletAdd with the handle the test left in parameter 5: the result in parameter 1
//   3  leaves the standing program's handle in parameter 5
//   4  a program whose bind names the handle in parameter 5: its handle in parameter 1

shot <- bulletDefineType({geometryName = "shot", count = 3, notifyPlayers = [0, -5]});
still <- bulletDefineMotion({type = shot, events = [{frame = 0, move = "0"}]});

function step() {
  local mode = playerGetParameterValue(4);
  playerSetParameterValue(4, 0);
  if (mode == 1) {
    local n = 0;
    for (local i = 0; i < 4; i += 1) {
      if (bulletAdd(still, {pos = Vec3(0.0, 2.0, 1.0), rotAxis = Vec3(0.0, 1.0, 0.0)})) {
        n += 1;
      }
    }
    playerSetParameterValue(1, n);
    playerSetParameterValue(2, bulletCanAdd(still) ? 1 : 0);
  } else if (mode == 2) {
    playerSetParameterValue(1, bulletAdd(playerGetParameterValue(5), {}) ? 1 : 0);
  } else if (mode == 3) {
    playerSetParameterValue(5, still);
  } else if (mode == 4) {
    local events = [{frame = 0, genSet = "0 1",
                     binds = [playerGetParameterValue(5), null, null, 0.0, null]}];
    playerSetParameterValue(1, bulletDefineMotion({type = shot, events = events}));
  }
}

function work() {
  while (true) {
    step();
    suspend(null);
  }
}
