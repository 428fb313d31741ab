// work returns at once: its value arrives on the first resume only.
calls <- 0;

function work() {
  calls += 1;
  return 42;
}
