// A wanderer: every 30 frames it picks a new direction and pace from the engine's seeded
// generator and walks on until it meets a wall, which turns it round. Now and then it fires the
// game's bullet where it faces (mask 2: the player and the other wanderers); the player's shots
// (mask 1) hit it too. The wanderer whose arguments ask for it carries a dynamic attack that
// bumps the player (mask 4).

local body = objectLoadGeometry("wanderer");
objectSetCurrentAnimation(objectGetAnimationDefault(body));
objectSetCollDamage(0, {mask = 3});

function work() {
  local args = baseGetArgsVar(0);
  local share = baseGetShareVar(systemGetBaseId());
  objectSetShadow(share.decal, {alpha = 0.5});
  if ("spiked" in args) objectSetAttackDynamic(share.bump, 4);
  local angle = 0;
  local speed = 0.1;
  local hits = 0;
  for (local frame = 0; ; frame += 1) {
    if (frame % 30 == 0) {
      angle = systemGetRandomRange(0, 359);
      speed = 0.05 + systemGetRandomValue() * 0.1;
      objectSetRot(angle);
    }
    if (systemGetRandomRange(0, 99) < 2) bulletAdd(share.shot, {pos = Vec3(0.0, 0.5, 0.7),
                                                              collAttackMask = 2});
    local notices = objectGetDamageNotifies(0);
    if (notices != null) {
      hits += notices.len();
      print("wanderer " + args.name + " hit by " + notices[0].notifies + " " + hits);
    }
    objectMoveLand(speed, 0);
    suspend(null);
    if (objectGetMoveResult().flag != 0) {
      angle = (angle + 180) % 360;
      objectSetRot(angle);
    }
  }
}
