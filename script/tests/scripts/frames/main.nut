// One loop iteration per frame; the value of each suspend call is null when it resumes.
count <- 0;
woken <- [];

function init() {
  return "ready";
}

function work() {
  while (true) {
    count += 1;
    woken.append(suspend(count));
  }
}
