#pragma once

namespace platform {

// What the program entry knows about its own start on the original system: the module instance
// that owns windows and resources, and how the first window should be shown. This process has
// one module; its instance is a fixed non-null token that identifies the process to the
// window-class registry.
using InstanceHandle = const void*;

InstanceHandle processInstance();

// Show commands, with Windows' values. A process started from a shell shows normally.
inline constexpr int kShowNormal = 1;

}  // namespace platform
