// The first engine of the versus match game: it prepares the versus engine as a game's menu
// would (system, sound and stage folders, two duelists, the second one driven by a brain,
// both drawn side by side) and ends; the match then runs until its system script ends it.
globalPrepareNextRondEngine({
  system = "vs",
  se = "se",
  stage = "stage",
  players = ["duelist", "duelist"],
  controllers = [{device = false}, {device = false, brain = "brain", brainLevel = 1}],
  drawTargets = [true, true]
});
engineRequestExit();
