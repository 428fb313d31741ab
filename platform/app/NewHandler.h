#pragma once

namespace platform {

// The function the heap calls when an allocation cannot be satisfied; it must free memory,
// throw or end the process. Returns the handler it replaces (null when there was none).
using NewHandler = void (*)();

NewHandler installNewHandler(NewHandler handler);

}  // namespace platform
