// The fixture game's identity, input layout and report header.
confSetGameId(7);
confSetWindowClassName("FixtureGame");
confSetGameTitleSimple("Fixture");
confSetGameTitle("Fixture Game");
confSetLogHeader("Fixture game, version " + globalGetGameVersion() + "\r\n");
confSetInputType(0, "Standard");
confAddInputButton(0, "Up", 3, 200);
confAddInputButton(0, "Down", 3, 208);
confAddInputButton(0, "Left", 3, 203);
confAddInputButton(0, "Right", 3, 205);
confAddInputButton(0, "Shot", 0, 44);
confAddInputButton(0, "Bomb", 1, 45);
confSetInputPadCount(2);
