// The meadow's script: its light and background, and a stamp of the game's decal every 90
// frames, walking around the middle of the floor.

mapSetLightPos(0.3, 1.0, 0.5);
mapSetLightColor(0.8, 0.8, 0.7);
mapSetLightAmbient(0.3, 0.3, 0.35);
mapSetBackColor(0.35, 0.55, 0.8);

function work() {
  for (local frame = 1; ; frame += 1) {
    local share = baseGetShareVar(systemGetBaseId());
    if (share != null && frame % 90 == 0) {
      local step = frame / 90;
      mapRegistDecal(share.decal, {pos = Vec3(6.0 + (step % 4) * 3.0, 0.0, 6.0 + (step / 4) * 3.0),
                                   rot = step * 30, scale = Vec3(2.0, 2.0, 2.0), alpha = 0.5,
                                   frameStart = 10, frameEnd = 150, frameDead = 180});
    }
    suspend(null);
  }
}
