#pragma once

#include "foundation/omb/containers/ombArray.h"

#include <cstdint>

// The shared state of the path functions: the base directory (the executable's directory in
// framework syntax with a trailing "/"), the application's sub-directory and two work buffers.
// It belongs to the file layer and is read and written only under the file lock
// (ombFileLock()).

// Replaces the application's sub-directory under the file lock; it is stored with a trailing
// "/". Null means none.
void ombFileSetAppDir(const char16_t* subDirectory);

// Caller holds the file lock. The base directory is empty before ombFileInit.
const char16_t* ombPathGetBaseDirectory();
// Caller holds the file lock. Null when none is set.
const char16_t* ombPathGetAppDir();
// Caller holds the file lock. Two arrays of UTF-16 units (index 0 and 1).
OMB_ARRAY* ombPathWorkBuffer(int index);

// Runs `build(destination, capacity)` (a builder with the bounded output convention) into the
// work buffer, growing it and building again when the result did not fit. Returns the built
// text, or null when the buffer could not grow.
template <class Build>
const char16_t* ombPathBuildInto(OMB_ARRAY* buffer, Build build) {
  for (;;) {
    auto* text = static_cast<char16_t*>(buffer->items);
    const uint32_t capacity = text ? buffer->capacity : 0;
    const uint32_t length = build(text, capacity);
    if (text && length < capacity) {
      return text;
    }
    if (length == UINT32_MAX || !ombArrayResize(buffer, length + 1)) {
      return nullptr;
    }
  }
}

// Driven by ombFileInit / ombFileUninit. Init reads the base directory from the running
// executable and returns false when it cannot.
bool ombPathStateInit();
void ombPathStateUninit();
