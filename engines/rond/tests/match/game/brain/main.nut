// The brain of the fixture match: it strikes when the other player is close, fires when it is
// far, and strafes away from the nearest enemy bullet. Its random draws are its own.
function think() {
  local id = brainGetPlayerId();
  local me = playerGetPos(id);
  local other = playerGetPos(1 - id);
  local away = other - me;
  away.y = 0.0;
  for (local i = 0; i < 16; i += 1) ctrlSetValue(i, 0.0);
  if (away.length() < 1.8) {
    ctrlSetValue(1, 1.0);
  } else if (commonGetRandomValue() < 0.3) {
    ctrlSetValue(0, 1.0);
  }
  local report = bulletGetReport(id);
  if (report.count > 0) {
    local bullet = report.data[0];
    local box = stageGetCollMove();
    // Strafe to the side of the bullet that has more room.
    ctrlSetValue(bullet.x > me.x && me.x > box.minX + 0.5 ? 2 : 3, 1.0);
  } else if (brainGetLevel() > 0) {
    ctrlSetValue(commonGetRandomRange(2, 3), 1.0);
  }
}

function work() {
  while (true) {
    think();
    suspend(null);
  }
}
