// The player: pad 0 steers it over the land (buttons 0 to 3 up, down, left, right), button 4
// pressed leaves the game's decal where it stands, button 5 held runs.

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
  local stamps = 0;
  for (local frame = 1; ; frame += 1) {
    local pad = ctrlGetArray(0, 3);
    local angle = heading(pad.status);
    if (angle == null) {
      objectMoveNone();
    } else {
      objectMoveLand(ctrlGetStatus(0, 5) ? 0.25 : 0.12, angle);
    }
    if (pad.event[4]) {
      local p = objectGetPos();
      local share = baseGetShareVar(systemGetBaseId());
      mapRegistDecal(share.decal, {pos = p, scale = Vec3(1.5, 1.0, 1.5), frameEnd = 60});
      stamps += 1;
      basePlaySe(0, 0, 1);
    }
    if (frame % 100 == 0) {
      local p = objectGetPos();
      print("player " + frame + " at " + p.x + " " + p.y + " " + p.z + " stamps " + stamps +
            " land " + objectIsLand());
    }
    suspend(null);
  }
}
