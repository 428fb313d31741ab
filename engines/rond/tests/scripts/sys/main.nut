// The system script of the engine tests: two system parameters and the five player
// parameters the fighters use: 0 life (0..100, starts at 100), 1 damage seen in the last
// step, 2 quiescence frames to request, 3 request flag, 4 what the script tries this frame.
systemSetParameterCount(2);
systemSetParameterDefine(0, 0, 9, 0);
playerSetParameterCount(6);
playerSetParameterDefine(0, 100, 0, 100, 0);
for (local i = 1; i < 6; i += 1) {
  playerSetParameterDefine(i, 0, 0, 0, 0);
}

function work() {
  while (true) {
    systemSetParameterValue(1, systemGetParameterValue(1) + 1);
    suspend(null);
  }
}
