function work() {
  sysError("the game cannot go on");
  print("never printed");
}
