#pragma once

#include "foundation/omb/file/ombFile.h"

#include <memory>
#include <string>

// The files that accompany an image: its information file and its layer images, named after the
// image file's own path.

// The path of an open file (its archive entry name or its resolved path) with its extension
// replaced by `extension`, or removed when that is null; empty for a record without a name.
std::u16string ombImagePathWithExtension(const OMB_FILE* file, const char16_t* extension);

struct OmbImageFileCloser {
  void operator()(OMB_FILE* file) const { ombFileClose(file); }
};
// A file of the file layer, closed when it goes out of scope.
using OmbImageFile = std::unique_ptr<OMB_FILE, OmbImageFileCloser>;
