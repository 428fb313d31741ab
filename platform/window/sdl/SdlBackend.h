#pragma once

#include "platform/window/Window.h"

#include <memory>

namespace platform::window {

// The SDL2 backend: a real window that shows each presented frame (the Direct3D stand-in's front
// buffer, scaled to the client area) and delivers close, focus and move. SDL's own "offscreen"
// or "dummy" video drivers (SDL_VIDEODRIVER) run it without a display.
//
// Lives in its own library (platform_sdl), linked only into programs that offer it; such a
// program calls registerSdlBackend once, and the backend is then chosen by name ("sdl").
void registerSdlBackend();

// Null when SDL's video subsystem does not start.
std::unique_ptr<Backend> createSdlBackend();

}  // namespace platform::window
