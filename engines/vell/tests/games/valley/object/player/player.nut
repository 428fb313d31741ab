// The player: pad 0 steers it over the land (buttons 0 to 3 up, down, left, right), button 4
// pressed leaves the game's decal where it stands, button 5 held runs, button 6 fires the game's
// bullet ahead of it when pressed and every 12 frames while held. Its damage record 0 takes
// the wanderers' bullets (mask 2) and bumps (mask 4).

local body = objectLoadGeometry("player");
objectSetCurrentAnimation(objectGetAnimationDefault(body));
objectSetCollDamage(0, {mask = 6});

// The direction the held buttons ask for, in degrees (0 towards +z, 90 towards +x), or null.
function heading(held) {
  local x = (held[3] ? 1 : 0) - (held[2] ? 1 : 0);
  local z = (held[0] ? 1 : 0) - (held[1] ? 1 : 0);
  if (x == 0 && z == 0) return null;
  if (x == 0) return z > 0 ? 0 : 180;
  if (z == 0) return x > 0 ? 90 : 270;
  return z > 0 ? (x > 0 ? 45 : 315) : (x > 0 ? 135 : 225);
}

function work() {
  // What the root shares is there from the first frame on.
  local share = baseGetShareVar(systemGetBaseId());
  objectSetShadow(share.decal, {alpha = 0.6, scale = Vec3(1.2, 1.0, 1.2)});
  // What the root script reads of the player at the end.
  local mine = {stamps = 0, shots = 0, hits = 0};
  baseSetShareVar(0, mine);
  local angle = 0;
  for (local frame = 1; ; frame += 1) {
    local pad = ctrlGetArray(0, 3);
    local wanted = heading(pad.status);
    if (wanted == null) {
      objectMoveNone();
    } else {
      angle = wanted;
      // It faces where it walks (the move's angle is taken from the facing), and so do its
      // shots.
      objectSetRot(angle);
      objectMoveLand(ctrlGetStatus(0, 5) ? 0.25 : 0.12, 0);
    }
    if (pad.event[4]) {
      local p = objectGetPos();
      mapRegistDecal(share.decal, {pos = p, scale = Vec3(1.5, 1.0, 1.5), frameEnd = 60});
      mine.stamps += 1;
      basePlaySe(0, 0, 1);
    }
    if (pad.event[6] || (pad.status[6] && frame % 12 == 0)) {
      // Ahead of the player, where it faces; the shot hits wanderers (mask 1).
      if (bulletAdd(share.shot, {pos = Vec3(0.0, 0.75, 0.7), collAttackMask = 1})) {
        mine.shots += 1;
      }
    }
    local notices = objectGetDamageNotifies(0);
    if (notices != null) {
      mine.hits += notices.len();
      print("player " + frame + " hit by " + notices[0].notifies);
    }
    if (frame % 100 == 0) {
      local p = objectGetPos();
      print("player " + frame + " at " + p.x + " " + p.y + " " + p.z + " stamps " + mine.stamps +
            " shots " + mine.shots + " hits " + mine.hits + " land " + objectIsLand());
    }
    suspend(null);
  }
}
