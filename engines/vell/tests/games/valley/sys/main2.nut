// The second script: after the camera in every frame; it reports now and then.

function work() {
  for (local frame = 1; ; frame += 1) {
    if (frame % 150 == 0) print("second " + frame + " map " + (mapGetBaseId() != 0));
    suspend(null);
  }
}
