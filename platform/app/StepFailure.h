#pragma once

#include <string_view>

namespace platform {

// The application start-up steps of this layer (window classes, COM) always succeed on this
// machine. A test makes chosen steps fail through the environment variable GAME_APP_FAIL: a
// comma-separated list of step names, "class:<class name>" for one window class (names are
// compared without regard to ASCII case) and "com" for COM. The variable is read at every step,
// so a test may change it between calls.
inline constexpr const char* kAppFailVariable = "GAME_APP_FAIL";

// True when the step is listed in GAME_APP_FAIL.
bool appStepFails(std::string_view step);

// True when the two texts are equal without regard to the case of ASCII letters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

}  // namespace platform
