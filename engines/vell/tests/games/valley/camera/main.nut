// The camera: a perspective view that follows the player from behind and above once the root
// script has made it.

cameraSetPerspective(45.0, 4.0 / 3.0, 0.5, 200.0);
cameraSetView(Vec3(12.0, 20.0, -8.0), Vec3(12.0, 0.0, 12.0), Vec3(0.0, 1.0, 0.0));

function work() {
  for (;;) {
    local share = baseGetShareVar(systemGetBaseId());
    if (share != null) {
      local p = baseGetPos(share.player);
      cameraSetView(Vec3(p.x, p.y + 12.0, p.z - 10.0), p, Vec3(0.0, 1.0, 0.0));
    }
    suspend(null);
  }
}
