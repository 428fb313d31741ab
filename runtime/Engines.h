#pragma once

// Registers the factory of every engine family this executable holds. Each engine also takes
// the screenshot settings of the environment: GAME_DRAW_SAVE names a path prefix (relative to
// the game's folder) and GAME_DRAW_SAVE_SPAN the number of frames between two screenshots.
// GAME_RANDOM_SEED fixes the seed of every round that has no network session.
void registerEngines();
