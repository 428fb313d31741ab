#pragma once

#include <cstdint>

class Config;

// The host's main routine and the start-up and shut-down around it.

// Runs the start-up, the game and the shut-down; returns the process's exit code: 0 after a
// normal end and after the settings-only launch modes, 1 after a fatal error, an early end of
// the start-up, a second instance or any other exception.
int AppMain();

// The whole start-up in its fixed order; true when the game may run. Level-0 messages leave it
// as LExceptGame once its error hook is installed.
bool appInit();
// The whole shut-down in its fixed order; never lets an exception out.
void appTerm();
// The last steps of the shut-down: the framework's modules from the timer down to the core.
void appTermModules();

// The level-0 hook while the host runs: throws LExceptGame; other levels return.
void appErrorHook(int32_t level);

// The configuration of this run, null before appInit creates it and after appTerm.
Config* appConfig();
// The number of the one unnamed pack registered at start-up.
int32_t appPackIndex();
