// The fighter of the engine tests. Parameter 4 picks what it tries in a frame (the test writes
// it), then goes back to 0:
//   1  indices out of range: a parameter, a controller, a flag byte
//   2  an attack handle the test left in parameter 5
//   3  defines an attack and leaves its handle in parameter 5
// Every frame it notes whether it was hit in parameter 1, when parameter 3 is set requests
// quiescence for the frames in parameter 2, and walks (button 0 held) or
// wanders by the engine's generator.

function step() {
  playerSetParameterValue(1, playerIsDamageExist() ? 1 : 0);
  if (playerGetParameterValue(3) != 0) {
    systemRequestQuiescenceMode(playerGetParameterValue(2));
    playerSetParameterValue(3, 0);
  }
  // Button 0 held on the slot's controller walks forward; otherwise it wanders.
  if (ctrlGetEvent(playerGetId(), 16)) {
    playerMove(Vec3(0.0, 0.0, 0.05));
  } else {
    playerMove(Vec3((commonGetRandomValue() - 0.5) * 0.25, 0.0,
                    (commonGetRandomValue() - 0.5) * 0.25));
  }
  local mode = playerGetParameterValue(4);
  playerSetParameterValue(4, 0);
  if (mode == 1) {
    playerGetParameterValue(6);
    ctrlGetEvent(4, 0);
    ctrlGetEvent(0, 48);
    playerSetParameterValue(-1, 3);
  } else if (mode == 2) {
    playerSetAttackDefine(playerGetParameterValue(5));
  } else if (mode == 3) {
    playerSetParameterValue(5, playerDefineAttack({notifyPlayers = [0, -30]}));
  }
}

function work() {
  while (true) {
    step();
    suspend(null);
  }
}
