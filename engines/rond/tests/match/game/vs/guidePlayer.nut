// A player guide of the fixture match: a life bar under its view's player, placed where the
// player's centre shows on the screen of its camera.
slot <- guideGetTarget();
// The guide table offers no screen size: the layer has the game's 640 x 480.
size <- {width = 640, height = 480};
layer <- spriteCreateRenderer(size.width, size.height, 2);
bar <- spriteCreateDynamicImage(64, 8);
rect <- null;
if (layer != 0 && bar != 0) {
  rect = spriteCreateRect(layer, bar, {level = 1});
  spriteSetRectColor(rect, slot == 0 ? 1.0 : 0.2, 0.3, slot == 0 ? 0.2 : 1.0);
}
side <- guideGetDrawTarget(0) == slot ? 0 : 1;
views <- guideGetDrawType();

function work() {
  while (true) {
    local at = guideGetScreenPos(slot, playerGetDamageTarget(slot));
    local width = size.width / (views == 2 ? 2 : 1);
    local x = ((at.x + 1.0) * 0.5 * width).tointeger() + (views == 2 ? side * width : 0);
    local y = ((1.0 - at.y) * 0.5 * size.height).tointeger() + 16;
    local life = playerGetParameterRate(slot, 0);
    if (rect != null) spriteSetRectDrawPosSize(rect, x - 32, y, (64 * life).tointeger(), 8);
    suspend(null);
  }
}
