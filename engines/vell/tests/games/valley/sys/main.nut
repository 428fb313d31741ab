// The valley: the root script of a whole field game. It prepares the engine as a game's start
// does (the map, the decal, the objects), plays for 600 frames and ends the engine itself.

const kFrames = 600;

function prepare() {
  systemResetMap("meadow", "meadow");
  // What the game's objects share is defined once, before them, and handed over in the root's
  // share value: the decal now, bullet types beside it.
  local decal = systemCreateDecal("mark", {alpha = 0.75});
  local player = objectCreate("player", "player", {flag = 3, posrot = "4 0 4 0"});
  objectCreate("platform", "platform", {posrot = "10 0.5 10 0"});
  for (local i = 0; i < 3; i += 1) {
    objectCreate("wanderer", "wanderer", {flag = 2, pos = Vec3(8.0 + i * 4.0, 0.0, 10.0)});
  }
  // What the map's, the camera's and the objects' scripts read of the game.
  baseSetShareVar(0, {decal = decal, player = player});
  return player;
}

function work() {
  local player = prepare();
  // Post effects come and go while it runs; without music files the music natives change
  // nothing, but the game asks for them as a game does.
  local tint = systemRegistPostEffect(3, {red = 1.0, green = 0.9, blue = 0.8, alpha = 0.2});
  local zoom = 0;
  local bright = 0;
  bgmPlay("intro", "loop", true);
  bgmSetVolume(0.8);
  // The frame counted here is the engine's update: frame 1 is the first.
  for (local frame = 1; ; frame += 1) {
    if (frame == 120) systemClearPostEffect(tint);
    // A zoom blur that ends by itself after 40 frames.
    if (frame == 200) {
      zoom = systemRegistPostEffect(6, {centerX = 0.5, centerY = 0.5, centerRange = 0.2,
                                        centerBias = 0.5, power = 0.3, frameEnd = 20,
                                        frameDead = 40});
    }
    if (frame == 300) {
      bright = systemRegistPostEffect(1, {bright = 0.5, gaussLevel0 = 2, alpha0 = 0.5});
      bgmFadeout(30);
    }
    if (frame == 450) {
      print("post effects " + (tint != 0) + " " + (zoom != 0) + " " + (bright != 0));
      systemClearPostEffectAll();
    }
    if (frame % 200 == 0) {
      local p = baseGetPos(player);
      print("root " + frame + " player status " + baseGetStatus(player) + " at " + p.x + " " + p.z);
    }
    if (frame == kFrames) break;
    suspend(null);
  }
  bgmStop();
  // The parameter file that the runtime saves at its end tells that the game played through.
  globalSetIntegerParameterCount(1);
  globalSetIntegerParameterValue(0, kFrames);
  print("valley done");
  systemRequestExit();
}
