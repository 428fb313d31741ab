#pragma once

#include "platform/app/ProcessStart.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Window classes and registered window messages, kept per process. Headless: no window of a
// class is ever shown, but the registrations are real state that later steps can look up.

// A window procedure: window, message, two parameters; returns the message's result.
using WindowProcedure = intptr_t (*)(void* window, uint32_t message, uintptr_t wParam,
                                     intptr_t lParam);

// Class styles, with Windows' values.
inline constexpr uint32_t kClassStyleVRedraw = 0x0001;
inline constexpr uint32_t kClassStyleHRedraw = 0x0002;
// Stock resources a class may name, with Windows' identifiers.
inline constexpr uint32_t kIconApplication = 32512;
inline constexpr uint32_t kCursorArrow = 32512;
// A background brush is a system colour index plus one; 0 means no background.
inline constexpr uint32_t kColorWindow = 5;

struct WindowClass {
  std::string name;
  uint32_t style = 0;
  WindowProcedure procedure = nullptr;
  InstanceHandle instance = nullptr;
  uint32_t icon = 0;        // 0: none
  uint32_t smallIcon = 0;   // 0: none
  uint32_t cursor = 0;      // 0: none
  uint32_t background = 0;  // 0: none
};

enum class ClassRegistration {
  Registered,
  AlreadyExists,  // a class of that name (ASCII case ignored) was registered before
  Failed,         // an empty name, a missing procedure, or a failure asked for by a test
};

// Registers the class; a test makes it fail with "class:<name>" in GAME_APP_FAIL.
ClassRegistration registerWindowClass(const WindowClass& windowClass);
std::optional<WindowClass> findWindowClass(std::string_view name);

// What a window procedure hands on for a message it does not handle: 0.
intptr_t defaultWindowProcedure(void* window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// The message identifier of a name, from 0xC000 upwards; the same name (ASCII case ignored)
// always gives the same identifier. 0 for an empty name or when the range is used up.
uint32_t registerWindowMessage(std::string_view name);

}  // namespace platform
