#pragma once

#include "host/config/Config.h"

#include <cstdint>

// The launch switches of a command line: the last of "--adjuster", "--adjusterconfig",
// "--lounge" and "--netconfig" wins; "--adjuster" and "--lounge" read the next two tokens (when
// present) as the lounge input and output pipe numbers (decimal, "0x" hexadecimal or leading-0
// octal). Every other token is ignored.
struct LaunchChoice {
  LaunchMode mode = LaunchMode::Normal;
  uint64_t loungeInput = 0;
  uint64_t loungeOutput = 0;
  // Pipe numbers given for a switch that a later settings-only or normal switch overrode: the
  // start-up must end.
  bool stalePipes() const {
    return mode != LaunchMode::Adjuster && mode != LaunchMode::Lounge &&
           (loungeInput != 0 || loungeOutput != 0);
  }
};

// Splits the text with the framework tokenizer (tokens of at most 128 units, an "= value" part
// after a token skipped).
LaunchChoice configParseCommandLine(const char16_t* commandLine);
