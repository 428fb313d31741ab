#pragma once

// The exception that ends the current game: thrown by value by every fatal error of the game
// library (lerrThrow) and by the host's level-0 hook, and caught by the host's main routine.
// It carries nothing; the message was logged, shown or queued before it was thrown.
//
// It deliberately does not derive from std::exception, so a handler for ordinary failures
// (std::bad_alloc and the like) never swallows the end of a game by accident.
class LExceptGame {};
