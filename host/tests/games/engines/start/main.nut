// The first engine of the engines fixture game. Integer parameter 0 of the parameter file picks
// what it does (the tests write the file before the run); without one it plays the demo: text
// rects of sprite layer 1 moving across the screen, then the basic engine with arguments.

function scenario() {
  return globalGetIntegerParameterCount() > 0 ? globalGetIntegerParameterValue(0) : 0;
}

// Text rects of sprite layer 1 on one renderer the size of the screen: each entry of `texts`
// is [text, x, y, green].
function makeScene(texts) {
  local size = globalGetScreenSize();
  local r = spriteCreateRenderer(size.width, size.height, 2);
  local font = spriteCreateFont(18);
  local rects = [];
  foreach (t in texts) {
    local image = spriteCreateDynamicImage(96, 24);
    spriteDrawImageText(image, font, t[0]);
    local rect = spriteCreateRect(r, image, {level = 1, drawX = t[1], drawY = t[2]});
    spriteSetRectColor(rect, 1.0, t[3], 1.0);
    rects.push(rect);
  }
  return rects;
}

function params() {
  globalSetIntegerParameterCount(4);
  globalSetIntegerParameterValue(1, 77);
  globalSetIntegerParameterFlag(2, 5);
  globalUnsetIntegerParameterFlag(2, 1);
  // Outside the count: reads give 0, writes change nothing.
  globalSetIntegerParameterValue(9, 5);
  globalSetIntegerParameterFlag(-1, 5);
  globalSetIntegerParameterValue(3, globalGetIntegerParameterValue(-1) +
                                    globalGetIntegerParameterValue(100) + 10);
  globalSetIntegerParameterCount(2);
  globalSetStringParameterCount(2);
  globalSetStringParameterValue(0, "saved");
  local size = globalGetScreenSize();
  globalSetStringParameterValue(1, globalGetStringParameterValue(5) + size.width + "x" +
                                   size.height + " v" + globalGetGameVersion() + " " +
                                   globalIsDadEvoz() + globalGetDadEvozCount() +
                                   globalGetDadEvozId() + globalGetDadEvozConnect(0) +
                                   globalIsDadEvozReady() + globalIsDebugBuild());
  globalSetStringParameterValue(7, "lost");
  // Controllers: the keyboard feeds slot 0, no pad is attached; players above 3 and buttons
  // outside 0..15 have nothing. Volume types outside 0..2 are refused.
  engineSetAudioVolume(3, 0.5);
  engineSetAudioVolume(-1, 0.5);
  engineSetAudioVolume(1, 0.25);
  engineReload();
  // Without music files, a "seList" group or an input script these change nothing, but each
  // native must exist (an unknown name would end the game).
  bgmPlay("intro", "loop", true);
  bgmSetVolume(0.5);
  bgmFadeout(-3);
  bgmPlaySound(0, "none");
  bgmStop();
  engineSwitchSeGroup("");
  enginePlaySe(0);
  inputCustomize("");
  globalSetStringParameterCount(3);
  globalSetStringParameterValue(2, "" + ctrlIsExist(0) + ctrlIsExist(-3) + ctrlIsExist(1) +
                                   ctrlIsExist(4) + ctrlGetStatus(0, 0) + ctrlGetStatus(9, 0) +
                                   ctrlGetEvent(0, 16) + ctrlGetEvent(0, -1) + ctrlGetStatus(1, 2));
}

function switchEngine(withArgs) {
  // Only the last queued engine runs.
  globalPrepareNextSimpleEngine({dir = "start"});
  if (withArgs) {
    globalPrepareNextBasicEngine({dir = "basic", args = {
      list = [1, [2, "three"], null, 4.5],
      pos = Vec3(1.5, -2.0, 3.0),
      name = "engine switch",
      n = -7,
      yes = true
    }});
  } else {
    globalPrepareNextBasicEngine({dir = "basic", args = null});
  }
}

function binaries() {
  local r = [];
  local a = binaryLoad("data.bin");
  r.push(binaryReadI32(a, 0));
  r.push(binaryReadU8(a, 2));
  r.push(binaryWriteU8(a, 0, 300));
  r.push(binaryReadU8(a, 0));
  r.push(binaryWriteU8(a, 3, -5));
  r.push(binaryReadU8(a, 3));
  r.push(binaryWriteI32(a, 4, 0x01020304));
  r.push(binaryReadI32(a, 4));
  // Outside the block: reads give 0, writes change nothing.
  r.push(binaryReadI32(a, 5));
  r.push(binaryReadU8(a, -1));
  r.push(binaryWriteI32(a, 6, 99));
  r.push(binaryWriteU8(a, 8, 1));
  r.push(binaryReadI32(a, 4));
  local d = binaryLoad("../disk.bin");
  r.push(binaryReadI32(d, 0));
  binaryDestroy(a);
  // d stays loaded: the engine frees it.
  globalSetIntegerParameterCount(1 + r.len());
  foreach (i, v in r) globalSetIntegerParameterValue(1 + i, v);
}

function randoms() {
  globalSetIntegerParameterCount(17);
  for (local i = 0; i < 8; i += 1) {
    globalSetIntegerParameterValue(1 + i, engineGetRandomRange(1000000, -1000000));
  }
  for (local i = 0; i < 8; i += 1) {
    local v = engineGetRandomValue();
    if (v < 0.0 || v >= 1.0) throw "random value out of range: " + v;
    globalSetIntegerParameterValue(9 + i, (v * 16777216.0).tointeger());
  }
}

// One side of a network match: once inputs flow, the frames (integer parameter 1, else 60) fold
// the seeded generator and every player's buttons into one value, which must come out the same
// on every side.
function netMatch() {
  local frames = globalGetIntegerParameterCount() > 1 ? globalGetIntegerParameterValue(1) : 60;
  while (!globalIsDadEvozReady()) suspend(null);
  local count = globalGetDadEvozCount();
  local hash = 0;
  local held = 0;
  for (local frame = 0; frame < frames; frame += 1) {
    hash = (hash * 31 + engineGetRandomRange(0, 65535)) & 0x7FFFFFFF;
    for (local p = 0; p < count; p += 1) {
      for (local b = 0; b < 16; b += 1) {
        if (ctrlGetStatus(p, b)) {
          hash = (hash * 31 + p * 16 + b + 1) & 0x7FFFFFFF;
          held += 1;
        }
      }
    }
    suspend(null);
  }
  globalSetIntegerParameterCount(6);
  globalSetIntegerParameterValue(1, globalIsDadEvoz() ? frames : -1);
  globalSetIntegerParameterValue(2, count);
  globalSetIntegerParameterValue(3, globalGetDadEvozId());
  globalSetIntegerParameterValue(4, hash);
  globalSetIntegerParameterValue(5, held);
}

function init() {}

function work() {
  local s = scenario();
  if (s == 1) {
    params();
  } else if (s == 2 || s == 3) {
    switchEngine(s == 2);
  } else if (s == 4) {
    binaries();
  } else if (s == 5) {
    local a = binaryLoad("data.bin");
    binaryDestroy(a);
    binaryDestroy(a);
  } else if (s == 6) {
    // A handle kept by an earlier engine is refused by the next one.
    local a = binaryLoad("data.bin");
    globalSetIntegerParameterCount(2);
    globalSetIntegerParameterValue(1, a);
    globalPrepareNextBasicEngine({dir = "basic"});
  } else if (s == 7) {
    globalSetIntegerParameterCount(2);
    globalSetIntegerParameterValue(1, 55);
    suspend(null);
    noSuchFunction();
  } else if (s == 8) {
    randoms();
  } else if (s == 9) {
    local sprites = makeScene([["Alpha", 8, 8, 1.0], ["Beta", 8, 40, 0.0]]);
    for (local frame = 0; frame < 7; frame += 1) {
      spriteSetRectDrawPos(sprites[1], 8 + frame * 10, 40);
      suspend(null);
    }
  } else if (s == 10) {
    binaryDestroy(12345);
  } else if (s == 11) {
    // Runs until the window closes.
    while (true) suspend(null);
  } else if (s == 12) {
    netMatch();
  } else {
    local sprites = makeScene([["simple", 40, 40, 1.0], ["engine", 40, 80, 0.5]]);
    for (local frame = 0; frame < 90; frame += 1) {
      spriteSetRectDrawPos(sprites[0], 40 + frame * 4, 40);
      suspend(null);
    }
    globalPrepareNextBasicEngine({dir = "basic", args = {frames = 90, text = "basic engine"}});
  }
  engineRequestExit();
}
