// The duelist of the fixture match, for both slots. It turns to face the other player, keeps
// about two units away, strafes, strikes when close and fires bullets. Its controller's held
// buttons choose (0 fire, 1 strike, 2 strafe left, 3 strafe right); a frame in which none is
// held is chosen by the engine's generator instead.
body <- playerLoadGeometry("body");
playerSetCurrentAnimation(playerGetAnimationDefault(body));
strike <- playerDefineAttack({notifyPlayers = [0, -40]});
shotType <- bulletDefineType({geometryName = "shot", count = 12, notifyPlayers = [0, -10],
                                   victimLevel = 1, victimCost = 1, erosionLevel = 1,
                                   erosionCost = 1});
// Straight ahead, then turning slowly towards where the other player was.
shot <- bulletDefineMotion({type = shotType, timeout = 150,
                                 events = [{frame = 0, move = "0.08"},
                                           {frame = 20, drot = "0 1 0 0.5"}]});
strikeLeft <- 0;

function choose() {
  local pressed = [ctrlGetStatus(0), ctrlGetStatus(1), ctrlGetStatus(2), ctrlGetStatus(3)];
  if (pressed[0] || pressed[1] || pressed[2] || pressed[3]) return pressed;
  local r = commonGetRandomRange(9, 0);
  return [r == 0, r == 1, r >= 2 && r <= 4, r >= 5 && r <= 7];
}

function step() {
  local id = playerGetId();
  local toOther = otherGetDamageTarget(1 - id) - playerGetPos();
  toOther.y = 0.0;
  playerSetRot(toOther.getAngleXZ());
  local distance = toOther.length();
  local want = choose();

  playerMoveStop();
  if (distance > 2.5) {
    playerMoveForward(0.03);
  } else if (distance < 1.2) {
    playerMoveForward(-0.02);
  }
  if (want[2]) {
    playerMoveSide(-0.04);
  } else if (want[3]) {
    playerMoveSide(0.04);
  }

  local cooldown = playerGetParameterValue(1);
  if (cooldown > 0) playerSetParameterValue(1, cooldown - 1);
  if (strikeLeft > 0) {
    strikeLeft -= 1;
    if (strikeLeft == 0) playerClearAttackDefine();
  } else if (want[1] && cooldown == 0 && distance < 2.0) {
    playerSetAttackDefine(strike);
    playerSetParameterValue(1, 40);
    strikeLeft = 6;
  }
  if (want[0] && bulletCanAdd(shot)) {
    local spread = commonGetRandomRange(-10, 10).tofloat();
    if (bulletAdd(shot, {pos = Vec3(0.0, 0.5, 0.5), rotAxis = Vec3(0.0, 1.0, 0.0),
                         rotAngle = spread})) {
      playerSetParameterValue(2, playerGetParameterValue(2) + 1);
    }
  }
  // Once, when half of its life is gone, the player alone acts for half a second.
  if (playerGetParameterValue(3) == 0 && playerGetParameterValue(0) < 500) {
    playerSetParameterValue(3, 1);
    systemRequestQuiescenceMode(30);
  }
}

function work() {
  while (true) {
    step();
    suspend(null);
  }
}
