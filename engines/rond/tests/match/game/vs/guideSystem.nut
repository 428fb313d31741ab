// The system guide of the fixture match: a caption over the whole screen that counts the
// frames. Without a renderer (a match run without devices) the sprite natives give null
// handles and the guide only reads the match.
// The guide table offers no screen size: the layer has the game's 640 x 480.
size <- {width = 640, height = 480};
layer <- spriteCreateRenderer(size.width, size.height, 2);
font <- spriteCreateFont(16);
caption <- spriteCreateDynamicImage(128, 24);
rect <- null;
if (layer != 0 && caption != 0) {
  rect = spriteCreateRect(layer, caption, {level = 1, drawX = 8, drawY = 8});
}

function work() {
  while (true) {
    local frame = systemGetParameterValue(0);
    if (rect != null && frame % 60 == 0) {
      spriteDrawImageText(caption, font, "frame " + frame + " views " + guideGetDrawType());
    }
    suspend(null);
  }
}
