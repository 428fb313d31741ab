// A moving platform: its collision map "lift" rides 6 units north (+z) and back, rising and sinking
// 1 unit on the way, carrying whatever stands on it.

objectLoadCollMap("lift");
objectSetCollMapEnable(true);

function work() {
  for (local frame = 0; ; frame += 1) {
    local phase = frame % 240;
    local angle = phase < 120 ? 0 : 180;
    local rise = (phase % 120) < 60 ? 0.02 : -0.02;
    objectMoveMap(rise, 0.05, angle, 1);
    if (frame % 120 == 0) {
      local p = objectGetPos();
      print("platform " + frame + " at " + p.x + " " + p.y + " " + p.z);
    }
    suspend(null);
  }
}
