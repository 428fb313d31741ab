#pragma once

#include "foundation/bytes/Parsed.h"
#include "foundation/lerr/lerr.h"

// The boundary between a parser and a given Load/Create function that must end the game on a
// bad file: the parser's context line goes to the log at level 0, then its error text (already
// the game's message) becomes the fatal error.
template <class T>
void lerrFatalIfFailed(const Parsed<T>& parsed) {
  if (parsed.ok()) return;
  if (!parsed.error().context.empty()) lerrLog(0, "%s", parsed.error().context.c_str());
  lerrFatal("%s", parsed.error().text.c_str());
}
