// The valley's identity and its pad: buttons 0 to 3 the directions, 4 stamp, 5 run.
confSetGameId(9);
confSetWindowClassName("ValleyGame");
confSetGameTitleSimple("Valley");
confSetGameTitle("Valley");
confSetLogHeader("Valley, version " + globalGetGameVersion() + "\r\n");
confSetInputType(0, "Standard");
confAddInputButton(0, "Up", 3, 200);
confAddInputButton(0, "Down", 3, 208);
confAddInputButton(0, "Left", 3, 203);
confAddInputButton(0, "Right", 3, 205);
confAddInputButton(0, "Stamp", 0, 44);
confAddInputButton(0, "Run", 1, 45);
confSetInputPadCount(1);
