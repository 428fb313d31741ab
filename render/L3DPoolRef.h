#pragma once

#include <cstdint>

// A name inside the name pool of the record that holds the reference (a model's or an effect's
// loaded data). The text has no terminator: consumers copy length bytes. An absent name is
// (null, 0).
struct L3DPoolRef {
  const char* text = nullptr;
  uint32_t length = 0;
};
