#pragma once

#include <cstdint>
#include <vector>

namespace platform::window {

// The messages a main window receives, in the shape the runtime's window procedure expects of
// the original system's messages. Only what that procedure reacts to is modelled.
enum class MessageKind : uint8_t {
  Paint,           // the client area needs painting
  Close,           // the close box or the system's close command
  ActivateApp,     // param 1: the application became active; 0: it was deactivated
  SysCommand,      // param: a system command (kSc* values)
  LButtonUp,       // the left mouse button was released
  CancelMode,      // the system cancels a mouse capture
  PowerBroadcast,  // param: a power event (kPbt* values); the procedure's answer is kept
  CopyData,        // dataId and data: a block handed over by another program
  BringToFront,    // another instance of the program asked this window to come to the front
};

// System commands (the high 12 bits of the command word), with Windows' values.
inline constexpr uint32_t kScSize = 0xF000;
inline constexpr uint32_t kScMove = 0xF010;
inline constexpr uint32_t kScMinimize = 0xF020;
inline constexpr uint32_t kScMaximize = 0xF030;
inline constexpr uint32_t kScClose = 0xF060;
inline constexpr uint32_t kScKeyMenu = 0xF100;
inline constexpr uint32_t kScRestore = 0xF120;
inline constexpr uint32_t kScScreenSave = 0xF140;
inline constexpr uint32_t kScDefault = 0xF160;
inline constexpr uint32_t kScMonitorPower = 0xF170;

// Power events, with Windows' values.
inline constexpr uint32_t kPbtQuerySuspend = 0;
inline constexpr uint32_t kPbtQueryStandby = 1;
inline constexpr uint32_t kPbtResumeSuspend = 7;
// The answer that refuses a suspend or standby query.
inline constexpr intptr_t kBroadcastQueryDeny = 0x424D5144;

struct Message {
  MessageKind kind = MessageKind::Paint;
  uint32_t param = 0;
  uint32_t dataId = 0;
  std::vector<uint8_t> data;
};

// What reading the queue gave: a message, the request to quit the program (the system's quit
// message, or SIGINT/SIGTERM), or a failure of the read itself.
enum class ReadResult : uint8_t { Message, Quit, Failure };

}  // namespace platform::window
