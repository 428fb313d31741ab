// The first engine of the valley: it hands over to the field engine at once.

function work() {
  globalPrepareNextVellEngine({dir = "valley"});
  engineRequestExit();
}
