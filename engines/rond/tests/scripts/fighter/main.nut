// The fighter of the engine tests. Parameter 4 picks what it tries in a frame (the test writes
// it), then goes back to 0:
//   1  indices out of range: a parameter, a player slot, a flag byte
//   2  an attack handle the test left in parameter 5
//   3  defines an attack and leaves its handle in parameter 5
//   4  walks forward at 0.5 along its facing; 5 the same along world +Z
//   6  turns to -90 degrees
//   7  sets its life to 77, then notes in parameter 5 its own life and in parameter 2 the other
//      player's, both read as another player's
//   8  sets and clears controller flags, noting in parameter 5 what it read back (expects 11)
//   9  sets its life to 5, then back to its definition's value
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
  if (ctrlGetStatus(0)) {
    playerMove(Vec3(0.0, 0.0, 0.05));
  } else {
    playerMove(Vec3((commonGetRandomValue() - 0.5) * 0.25, 0.0,
                    (commonGetRandomValue() - 0.5) * 0.25));
  }
  local mode = playerGetParameterValue(4);
  playerSetParameterValue(4, 0);
  if (mode == 1) {
    playerGetParameterValue(6);
    otherGetParameterValue(4, 0);
    ctrlGetEvent(48);
    playerSetParameterValue(-1, 3);
  } else if (mode == 2) {
    playerSetAttackDefine(playerGetParameterValue(5));
  } else if (mode == 3) {
    playerSetParameterValue(5, playerDefineAttack({notifyPlayers = [0, -30]}));
  } else if (mode == 4 || mode == 5) {
    playerSetMoveFlags(mode == 5 ? 1 : 0);
    playerMoveStop();
    playerMoveForward(0.5);
  } else if (mode == 6) {
    playerSetRot(-90);
  } else if (mode == 7) {
    playerSetParameterValue(0, 77);
    playerSetParameterValue(5, otherGetParameterValue(playerGetId(), 0));
    playerSetParameterValue(2, otherGetParameterValue(1 - playerGetId(), 0));
  } else if (mode == 8) {
    ctrlSetIntr(15, true);
    local seen = ctrlGetEvent(47) ? 1 : 0;
    ctrlSetStatus(2, true);
    seen += ctrlGetEvent(18) ? 10 : 0;
    ctrlClear();
    seen += ctrlGetStatus(2) || ctrlGetIntr(15) ? 100 : 0;
    playerSetParameterValue(5, seen);
  } else if (mode == 9) {
    playerSetParameterValue(0, 5);
    playerInitParameterValue(0);
  }
}

function work() {
  while (true) {
    step();
    suspend(null);
  }
}
