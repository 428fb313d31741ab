function work() { return 1; }
