// The ball, returned by the top level to the sysRun that runs this script: gravity, a floor
// at y = 0 that keeps 70% of the speed, and air drag.

return {
  position = Vec3(0.0, 1.0, 0.0),
  speed = Vec3(0.3, 0.4, 0.2),
  gravity = Vec3(0.0, -0.05, 0.0),

  step = function() {
    speed = speed + gravity;
    speed = speed * 0.99;
    position = position + speed;
    if (position.y >= 0.0) {
      return false;
    }
    position.y = -position.y * 0.7;
    speed.y = mathGetAbsolute(speed.y) * 0.7;
    return true;
  },

  resting = function() {
    return position.y < 0.01 && mathGetAbsolute(speed.y) < 0.05;
  },
};
