// An input-mapping script: player 1 takes pad 0's first button, player 0's button 5 tells the
// keyboard's button count in tenths, and writes outside the 4 x 16 states are ignored.
function init() {
  inputSetButtonState(0, 15, 1.0);
}

function work() {
  while (true) {
    local pad = inputGetDevicePad(0);
    inputSetButtonState(1, 0, inputGetDeviceButtonState(pad, 0));
    inputSetButtonState(0, 5, inputGetDeviceButtonCount(inputGetDeviceKeyboard()) / 10.0);
    inputSetButtonState(2, 3, inputGetDeviceType(pad).tofloat());
    inputSetButtonState(4, 0, 1.0);
    inputSetButtonState(0, 16, 1.0);
    inputSetButtonState(-1, -1, 1.0);
    suspend();
  }
}
