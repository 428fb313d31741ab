// The runtime executable: one game, whose files lie beside this program and are named after
// it (the log, settings and parameter files). The one place that knows every library: it fills
// the program entry's hooks and offers the SDL2 window backend and the GTK 3 dialog backend.
//
//   game [--adjuster IN OUT | --adjusterconfig | --lounge IN OUT | --netconfig]
//        [--window=headless|sdl]
//
// The window backend is headless unless "--window=sdl" or GAME_WINDOW=sdl asks for a real
// window and a display is present. Input follows the window backend (SDL2 keyboard and game
// controllers with the SDL2 window) unless GAME_INPUT names one; GAME_INPUT_SCRIPT scripts the
// devices instead. Dialogs follow the window backend too (GTK 3 with the SDL2 window) unless
// GAME_DIALOG names one ("headless" or "gtk"); GAME_DIALOG_SCRIPT drives the headless dialogs.
// GAME_DRAW_SAVE and GAME_DRAW_SAVE_SPAN write screenshots (runtime/Engines.h).

#include "foundation/startup/StartupHooks.h"
#include "foundation/startup/WinMain.h"
#include "host/app/AppMain.h"
#include "image/YCbCr.h"
#include "image/file/DimgSusie.h"
#include "platform/dialog/gtk/GtkBackend.h"
#include "platform/input/sdl/SdlInput.h"
#include "platform/window/Window.h"
#include "platform/window/sdl/SdlBackend.h"

#include "Engines.h"

#include <cstring>

int main(int argc, char** argv) {
  registerEngines();
  platform::window::registerSdlBackend();
  dinput::registerSdlInputBackend();
  dlg::registerGtkBackend();
  platform::window::quitOnTerminationSignals();
  constexpr char kWindowOption[] = "--window=";
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], kWindowOption, sizeof kWindowOption - 1) == 0) {
      platform::window::selectBackend(argv[i] + sizeof kWindowOption - 1);
    }
  }
  StartupHooks hooks;
  hooks.initYCbCrTables = &DimgInitYCbCrTables;
  hooks.pluginInit = &_DSusieInit;
  hooks.pluginTerm = &_DSusieTerm;
  hooks.appMain = &AppMain;
  startupSetHooks(hooks);
  return startupMain(argc, argv);
}
