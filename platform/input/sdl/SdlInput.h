#pragma once

// The SDL2 input backend: the keyboard (SDL scancodes mapped to DirectInput key codes, read from
// SDL's keyboard state, which the window backend's event pump keeps current) and game
// controllers through SDL's game-controller support with its built-in community mapping
// database. A controller's instance identifier is its SDL joystick GUID with the number of
// earlier controllers of the same GUID in its last byte, so the same pads keep their identities
// from run to run.
//
// Lives in platform_sdl beside the SDL2 window backend; a program calls registerSdlInputBackend
// once, and the backend is then chosen by name ("sdl").

#include "platform/input/DirectInput.h"

namespace dinput {

void registerSdlInputBackend();
// The object, when SDL's game-controller subsystem starts; null otherwise.
IDirectInput8* createSdlDirectInput();

}  // namespace dinput
