// The camera script of the field fixture game.

print("camera top");

function init() {
  print("camera init");
}

function work() {
  print("camera dir [" + systemGetDir() + "]");
  baseSetShareVar(0, "camera");
  for (local frame = 1; ; frame += 1) {
    print("camera frame " + frame);
    suspend(null);
  }
}
