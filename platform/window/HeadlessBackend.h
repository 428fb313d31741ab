#pragma once

#include "platform/window/Window.h"

#include <memory>

namespace platform::window {

// The headless backend: no window appears. A window keeps its state (title, frame, visibility,
// capture, shown frames, answers) for tests to read with Window::state(), and its messages come
// from post() and from the timed script of GAME_WINDOW_SCRIPT (MessageScript.h), measured on the
// platform clock. The screen is kHeadlessScreen; a framed window has a fixed border and caption.
inline constexpr Point kHeadlessScreen{1280, 1000};
inline constexpr int32_t kHeadlessBorder = 3;
inline constexpr int32_t kHeadlessCaption = 23;

std::unique_ptr<Backend> createHeadlessBackend();

}  // namespace platform::window
