// The brain of the engine tests; its level picks what it does every frame:
//   0  button 0 gets the value of its player's parameter 2 divided by 10000 (the test writes it)
//   1  presses buttons at random (its own draws) and tries to change the match
//   2  reports what it reads of the match in its analog values 0 to 7

function think() {
  local id = brainGetPlayerId();
  local level = brainGetLevel();
  if (level == 0) {
    ctrlSetValue(0, playerGetParameterValue(id, 2) / 10000.0);
  } else if (level == 1) {
    ctrlSetValue(0, commonGetRandomValue() < 0.5 ? 1.0 : 0.0);
    ctrlSetValue(commonGetRandomRange(3, 1), 1.0);
    systemSetParameterValue(1, -50);
    systemRequestExit();
  } else if (level == 2) {
    ctrlSetValue(0, playerGetPos(1 - id).z);
    ctrlSetValue(1, playerGetRot(id));
    ctrlSetValue(2, stageGetCollMove().maxX);
    ctrlSetValue(3, playerGetParameterValue(id, 0));
    ctrlSetValue(4, level);
    ctrlSetValue(5, id);
    ctrlSetValue(6, playerGetName(id) == "fighter/" ? 1.0 : 0.0);
    ctrlSetValue(7, playerGetCollMove(id).radius);
    ctrlSetValue(16, 1.0);
  }
}

function work() {
  while (true) {
    think();
    suspend(null);
  }
}
