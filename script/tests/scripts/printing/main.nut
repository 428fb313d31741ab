function init() {
  print("hello from init");
}

function work() {
  print("100%s done");
  suspend();
  print("second frame");
}
