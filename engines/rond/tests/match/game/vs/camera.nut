// The player camera of the fixture match: behind its player, looking past it at the other one,
// with a wider lens than the default.
cameraSetPerspective(50.0, 4.0 / 3.0, 0.1, 100.0);

function work() {
  while (true) {
    local slot = cameraGetPlayerId();
    local me = playerGetPos(slot);
    local other = playerGetPos(1 - slot);
    local away = me - other;
    away.y = 0.0;
    local length = away.length();
    local back = length > 0.001 ? away * (3.0 / length) : Vec3(0.0, 0.0, -3.0);
    cameraSetView(me + back + Vec3(0.0, 2.0, 0.0), other + Vec3(0.0, 0.5, 0.0),
                  Vec3(0.0, 1.0, 0.0));
    suspend(null);
  }
}
