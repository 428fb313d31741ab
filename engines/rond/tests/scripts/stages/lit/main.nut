// A stage of the engine tests that sets everything the stage table offers: start places (slot 1
// turned by 540 degrees), boxes, light, fog and a shadow with colour keys only.
stageSetPlayerStartPos(0, 1.0, 0.5, 2.0);
stageSetPlayerStartPos(1, -1.0, 0.0, -2.0);
stageSetPlayerStartRot(1, 540.0);
stageSetCollMove(Vec3(-3.0, -1.0, -3.0), Vec3(3.0, 4.0, 3.0));
stageSetCollBullet(Vec3(-6.0, -2.0, -6.0), Vec3(6.0, 8.0, 6.0));
stageSetLightPos(0.0, 2.0, 0.0);
stageSetLightColor(0.5, 0.25, 1.0);
stageSetLightAmbient(0.1, 0.2, 0.3);
stageSetFogColor(0.2, 0.3, 0.4);
stageSetFogLinear(5.0, 25.0);
stageSetFogLinear(7.0, 7.0);
stageSetShadow({colRed = 0.5, colAlpha = 0.0, scaleBase = 1.5, scaleRate = 0.5, scaleCut = 0.25});

function work() {
  while (true) {
    suspend(null);
  }
}
