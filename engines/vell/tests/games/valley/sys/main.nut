// The valley: the root script of a whole field game. It prepares the engine as a game's start
// does (the map, the decal, the bullet, the objects), plays for 600 frames and ends the engine
// itself. Pad 0 is the first input device's, where the runtime has one.

const kFrames = 600;

// At set-up, pad 0 is given the first input device (where the runtime has one).
systemSetControllerInputDevice(0, 0);

function prepare() {
  systemResetMap("meadow", "meadow");
  // What the game's objects share is defined once, before them, and handed over in the root's
  // share value: the decal, the bullet and the bump.
  local decal = systemCreateDecal("mark", {alpha = 0.75});
  // A shot of 0.3 units a frame, up to 32 at once, that ends at the map or after 90 frames and
  // tells what it hits "shot".
  local shotType = bulletDefineType({geometryName = "shot", count = 32, notifies = "shot"});
  local shot = bulletDefineMotion({type = shotType, flag = 1, timeout = 90,
                                   events = [{frame = 0, move = "0.3"}]});
  // The spiked wanderer's attack, its notice "bump".
  local bump = bulletDefineDynamic({flag = 0, notifies = "bump"});
  local share = {decal = decal, shot = shot, bump = bump, player = 0};
  baseSetShareVar(0, share);
  share.player = objectCreate("player", "player", {flag = 3, posrot = "4 0 4 0"});
  objectCreate("platform", "platform", {posrot = "10 0.5 10 0"});
  for (local i = 0; i < 3; i += 1) {
    local args = {name = "w" + i};
    if (i == 0) args.spiked <- true;
    objectCreate("wanderer", "wanderer", {flag = 2, pos = Vec3(8.0 + i * 4.0, 0.0, 10.0),
                                          args = args});
  }
  return share.player;
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
  // The parameter file that the runtime saves at its end tells that the game played through and
  // what the pad made the player do: its stamps, shots and the hits it took.
  local mine = baseGetShareVar(player);
  print("player stamps " + mine.stamps + " shots " + mine.shots + " hits " + mine.hits);
  globalSetIntegerParameterCount(4);
  globalSetIntegerParameterValue(0, kFrames);
  globalSetIntegerParameterValue(1, mine.stamps);
  globalSetIntegerParameterValue(2, mine.shots);
  globalSetIntegerParameterValue(3, mine.hits);
  print("valley done");
  systemRequestExit();
}
