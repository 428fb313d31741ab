// A wanderer: every 30 frames it picks a new direction and pace from the engine's seeded
// generator and walks on until it meets a wall, which turns it round.

function work() {
  local angle = 0;
  local speed = 0.1;
  for (local frame = 0; ; frame += 1) {
    if (frame % 30 == 0) {
      angle = systemGetRandomRange(0, 359);
      speed = 0.05 + systemGetRandomValue() * 0.1;
    }
    objectMoveLand(speed, angle);
    suspend(null);
    if (objectGetMoveResult().flag != 0) angle = (angle + 180) % 360;
  }
}
