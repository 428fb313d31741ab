function work() {
  return mathSqrt("four");
}
