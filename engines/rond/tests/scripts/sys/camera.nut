// The player camera of the engine tests: it follows its player from behind and shakes by a
// random draw every frame. Its player's parameter 5 picks what it tries in a frame (the test
// writes it): 101 changes a system parameter, 102 a player parameter, 103 sets a 60-degree
// perspective.

function work() {
  while (true) {
    local slot = cameraGetPlayerId();
    local p = playerGetPos(slot);
    local shake = commonGetRandomValue() * 0.1;
    cameraSetView(Vec3(p.x + shake, p.y + 2.0, p.z - 4.0), Vec3(p.x, p.y + 0.5, p.z),
                  Vec3(0.0, 1.0, 0.0));
    local mode = playerGetParameterValue(slot, 5);
    if (mode == 101) {
      systemSetParameterValue(1, 0);
    } else if (mode == 102) {
      playerSetParameterValue(slot, 0, 5);
    } else if (mode == 103) {
      cameraSetPerspective(60.0, 1.5, 0.5, 50.0);
    }
    suspend(null);
  }
}
