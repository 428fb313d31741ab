// A nested run works up to the first suspend; after a wake-up the machine has a pending call.
first <- null;

function work() {
  first = sysRun("../sysrun/leaf");
  suspend(1);
  return sysRun("../sysrun/leaf");
}
