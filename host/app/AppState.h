#pragma once

#include "host/config/Config.h"
#include "host/system/System.h"

#include <cstdint>
#include <memory>

// The process-wide state of the start-up, shared by appInit, AppMain and appTerm.
struct AppState {
  std::unique_ptr<Config> config;
  std::unique_ptr<System> system;
  int32_t packIndex = -1;
};

AppState& appState();
