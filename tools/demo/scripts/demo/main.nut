// A ball thrown across a floor, one step a frame, until it comes to rest; each frame prints
// where it is and its heading seen from above, in degrees.
// The ball's rules live in ball/step.nut, run through sysRun relative to this script.

function init() {
  ::ball <- sysRun("ball/step");
  print("demo from " + sysGetRootDir() + ": a ball thrown at " + strConvert(".1", ball.speed.length()) + " units a frame");
  return "ready";
}

function work() {
  local frame = 0;
  while (true) {
    frame += 1;
    local bounced = ball.step();
    local p = ball.position;
    local heading = mathRound(p.getAngleXZ());
    print("frame " + strConvert("3", frame) + ": x " + strConvert("6.2", p.x) +
          " y " + strConvert("5.2", p.y) + " z " + strConvert("6.2", p.z) +
          " heading " + heading + (bounced ? " bounce" : ""));
    if (ball.resting()) {
      print("the ball rests after " + frame + " frames");
      return frame;
    }
    suspend(null);
  }
}
