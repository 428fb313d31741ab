#pragma once

#include "platform/window/Window.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::window {

// The timed script that drives a headless window, read from the environment variable
// GAME_WINDOW_SCRIPT when the window is created. Entries are separated by ';' or line ends,
// each "<milliseconds> <action> [arguments]", the time counted from the window's creation:
//   close | paint | lbuttonup | cancelmode         that message
//   activate 0|1                                   the application is deactivated / activated
//   syscommand move|close|restore|default|minimize|maximize|size|keymenu|screensave|
//              monitorpower|<number>               a system command
//   power querysuspend|querystandby|resume|<number>  a power event
//   copydata <number> <text>                       a data block (the text's bytes) with that id
//   cursor <x> <y>                                 moves the mouse cursor (no message)
//   quit                                           the request to quit the program
//   fail                                           the next read of the queue fails
// Entries run in time order (entries with the same time in script order).
inline constexpr const char* kMessageScriptVariable = "GAME_WINDOW_SCRIPT";

struct ScriptEntry {
  enum class Action : uint8_t { Post, Cursor, Quit, Fail };
  uint32_t at = 0;
  Action action = Action::Post;
  Message message;
  Point cursor;
};

// The entries, or an empty list and a description of the first bad entry in `error`.
std::vector<ScriptEntry> parseMessageScript(std::string_view text, std::string& error);

}  // namespace platform::window
