#pragma once

#include "platform/window/Window.h"

#include <cstdint>

// The framework's window module: the game's one main window over the window layer
// (platform/window). It keeps the class name the game registers its window under (one running
// instance per class name), creates the window framed and centred or full screen, keeps the
// display awake, turns closing into a request the game loop polls, lets a framed window be
// dragged by its caption without stopping the loop, refuses suspend queries, decides which keys
// the Windows-key hook swallows, and pumps the messages once per frame.

inline constexpr uint32_t OMB_MSW_WINDOW_CLASS_CAPACITY = 64;
inline constexpr const char16_t* OMB_MSW_WINDOW_DEFAULT_CLASS = u"DARURA_ZOR_IDUVAZ_ARARU";

// Description flags.
inline constexpr uint32_t OMB_MSW_WINDOW_NO_COMPOSITION = 1;  // desktop composition off (no effect here)
inline constexpr uint32_t OMB_MSW_WINDOW_KEY_HOOK = 2;        // block the Windows keys while active

// The identifier a copy-data block must carry to reach the callback.
inline constexpr uint32_t OMB_MSW_COPYDATA_ID = 0x414D4344;
using OMB_MSW_COPYDATA_CALLBACK = void (*)(const void* data, uint32_t size, void* user);

struct OMB_MSW_WINDOW_DESC {
  uint32_t flags = 0;
  uint16_t icon = 0;                 // resource id; there are no icon resources here
  const char16_t* title = nullptr;
  int32_t width = 0;                 // client size; 0 means 320 x 240
  int32_t height = 0;
  bool fullScreen = false;
  OMB_MSW_COPYDATA_CALLBACK copyData = nullptr;
  void* copyDataUser = nullptr;
};

struct OMB_MSW_WINDOW {
  platform::window::Window* window;  // owned; its handle() is what the device is given
  bool windowed;
  bool closeRequested;               // set by a close; read and cleared by the game loop
  bool quitRequested;                // the program was asked to quit (kept, never lost)
  bool executionStateFallback;       // keeping awake was refused: renewed every frame
  bool dragging;
  int32_t dragX;
  int32_t dragY;
  OMB_MSW_COPYDATA_CALLBACK copyData;
  void* copyDataUser;
};

// Once, after ombMswInit: the default class name, no class registered, the application active.
void ombMswWindowInit();
// Releases the class registration (and with it the running-instance claim) and the key hook.
void ombMswWindowUninit();

// Replaces the class name (cut to 63 units) until the first window registers the class; after
// that only "Information: [ombMswWindowSetClassName] can't set class name after window
// creation" is logged at level 3.
void ombMswWindowSetClassName(const char16_t* name);
const char16_t* ombMswWindowGetClassName();

// Null (after the level-3 "ウインドウの作成に失敗しました。") when the window cannot be created.
// The first call registers the class: from then on this program is the running instance of
// that class name.
OMB_MSW_WINDOW* ombMswWindowCreate(const OMB_MSW_WINDOW_DESC* description);
// The owner's end of the window: hidden, destroyed, record freed. Null does nothing.
void ombMswWindowDestroy(OMB_MSW_WINDOW* record);

// The window procedure: the answer to one message.
intptr_t ombMswWindowProc(OMB_MSW_WINDOW* record, const platform::window::Message& message);
// The per-frame pump: requests of later instances become messages, every waiting message is
// dispatched until the queue is empty, a quit is read (kept in quitRequested) or a read fails
// (never dispatched); then a drag follows the cursor.
void ombMswWindowUpdate(OMB_MSW_WINDOW* record);

// Keyboard hook codes, with Windows' values.
inline constexpr int32_t OMB_HC_ACTION = 0;
inline constexpr uint32_t OMB_WM_KEYDOWN = 0x100;
inline constexpr uint32_t OMB_WM_KEYUP = 0x101;
inline constexpr uint32_t OMB_VK_LWIN = 0x5B;
inline constexpr uint32_t OMB_VK_RWIN = 0x5C;
// 1 when the key is swallowed (a Windows key going down or up while the hook is installed and
// the game is the active application), else 0: the key goes on to the system.
intptr_t ombMswWindowKeyboardHook(int32_t code, uint32_t message, uint32_t virtualKey);
bool ombMswWindowIsAppActive();

// Asks the running instance of the class (another program) to bring its window to the front;
// false when there is none.
bool ombMswWindowBringRunningToFront(const char16_t* className);
