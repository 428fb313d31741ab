// The stage of the fixture match: a square arena six units wide with a bullet box a little
// larger, lit from above, with fog far away.
stageSetPlayerStartPos(0, 0.0, 0.0, 2.0);
stageSetPlayerStartPos(1, 0.0, 0.0, -2.0);
stageSetPlayerStartRot(0, 180.0);
stageSetPlayerStartRot(1, 0.0);
stageSetCollMove(Vec3(-3.0, 0.0, -3.0), Vec3(3.0, 4.0, 3.0));
stageSetCollBullet(Vec3(-5.0, -1.0, -5.0), Vec3(5.0, 6.0, 5.0));
stageSetLightPos(0.3, 1.0, 0.4);
stageSetLightColor(0.8, 0.8, 0.7);
stageSetLightAmbient(0.3, 0.3, 0.35);
stageSetFogColor(0.1, 0.1, 0.2);
stageSetFogLinear(10.0, 40.0);

function work() {
  while (true) suspend(null);
}
