#pragma once

// Who calls a versus native: the engine the calling script runs for and, for player-table
// scripts, the player it drives. Either missing is the game's fatal error.

#include "squirrel/squirrel.h"

namespace rond {

class Engine;
class Player;

Engine& engineOf(HSQUIRRELVM vm);
Player& scriptPlayer(HSQUIRRELVM vm);

}  // namespace rond
