// The basic engine of the engines fixture game: reports the arguments it received, or plays
// the second half of the demo.

// A canonical text of a value: table keys sorted, Vec3 as its components.
function dump(v) {
  local t = typeof v;
  if (t == "table") {
    local keys = [];
    foreach (k, x in v) keys.push(k);
    keys.sort();
    local text = "{";
    foreach (i, k in keys) text += (i > 0 ? "," : "") + k + "=" + dump(v[k]);
    return text + "}";
  }
  if (t == "array") {
    local text = "[";
    foreach (i, x in v) text += (i > 0 ? "," : "") + dump(x);
    return text + "]";
  }
  if (t == "instance" && v instanceof Vec3) return "Vec3(" + v.x + "," + v.y + "," + v.z + ")";
  if (t == "null") return "null";
  return t + ":" + v;
}

function init() {}

function work() {
  local s = globalGetIntegerParameterCount() > 0 ? globalGetIntegerParameterValue(0) : 0;
  if (s == 2 || s == 3) {
    globalSetStringParameterCount(1);
    globalSetStringParameterValue(0, dump(engineGetArgsVar()));
  } else if (s == 6) {
    binaryReadU8(globalGetIntegerParameterValue(1), 0);
  } else {
    local args = engineGetArgsVar();
    local r = spriteRendererCreate(0, 0, 1);
    local image = spriteImageCreateText(160, 24);
    local rect = spriteRectCreate(r, image, null);
    spriteRectDrawText(rect, spriteRectTextFormatCreate(r, {fontSize = 18, colorRed = 0.3}),
                       args.text);
    local sprite = spriteCreate(r, {rect = rect, posX = 40, posY = 120, blend = 2});
    for (local frame = 0; frame < args.frames; frame += 1) {
      spriteSetPos(sprite, 40, 120 + frame * 2);
      suspend(null);
    }
  }
  engineRequestExit();
}
