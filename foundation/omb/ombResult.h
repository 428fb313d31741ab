#pragma once

#include <cstdint>

// Results of the framework functions that can fail: 1 for success, a negative code for failure,
// so callers test "result < 0".
inline constexpr int32_t OMB_OK = 1;
// The lock is held by another thread, or a socket operation would block.
inline constexpr int32_t OMB_ERR_BUSY = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t OMB_ERR_BAD_ARGUMENT = static_cast<int32_t>(0x80000002u);
// Creating a thread, window, socket or image failed.
inline constexpr int32_t OMB_ERR_CREATE = static_cast<int32_t>(0x80000004u);
// A hash insert found the key already present, or a hash remove found it missing.
inline constexpr int32_t OMB_ERR_KEY = static_cast<int32_t>(0x80000005u);
inline constexpr int32_t OMB_ERR_NOT_FOUND = static_cast<int32_t>(0x80000006u);
// Flush of a file opened for reading; directory creation failed.
inline constexpr int32_t OMB_ERR_NOT_WRITABLE = static_cast<int32_t>(0x80000008u);
// An asynchronous host-name lookup has not finished.
inline constexpr int32_t OMB_ERR_PENDING = static_cast<int32_t>(0x80000009u);
// Input/output error; also a settings dialog closed without OK and a socket that is not connected.
inline constexpr int32_t OMB_ERR_IO = static_cast<int32_t>(0x8000000bu);
// Fewer bytes written than asked, or no room in a send ring.
inline constexpr int32_t OMB_ERR_SHORT = static_cast<int32_t>(0x8000000cu);
