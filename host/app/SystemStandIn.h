#pragma once

#include "host/window/ombMswWindow.h"

class Config;

// FIXME: stands in for the System object, which will own the devices, the main window and the
// engines. Until it exists the start-up ends after the configuration: the main window opens as
// the System will open it (the title, the confirmed display size, full screen or framed), the
// level-2 line "the System object is not built yet" is logged, and the window's messages are
// pumped once a frame until it is closed or the program is asked to quit. That is a normal end.
class SystemStandIn {
 public:
  SystemStandIn() = default;
  ~SystemStandIn();
  SystemStandIn(const SystemStandIn&) = delete;
  SystemStandIn& operator=(const SystemStandIn&) = delete;

  // Opens the main window; a window that cannot be created is the level-0 error the System
  // will report.
  void init(const Config& config);
  // Pumps the window until a close request or a quit.
  void run();

 private:
  OMB_MSW_WINDOW* window_ = nullptr;
};
