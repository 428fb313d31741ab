#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Records, codes and the outside world of a network session: the lounge's 276-byte records, the
// shared description of the match, the session error codes, and the interface through which a
// session reaches the lounge pipes, the message pump and its waiting dialog.

// One record of the lounge pipes: a kind and 68 payload words, little-endian, always whole.
struct NetLoungeRecord {
  uint32_t kind = 0;
  uint32_t w[68] = {};
};
static_assert(sizeof(NetLoungeRecord) == 276);

// Status records to the lounge.
inline constexpr uint32_t NET_STATUS_LISTENING = 0;
inline constexpr uint32_t NET_STATUS_CONNECTING = 1;
inline constexpr uint32_t NET_STATUS_CONNECTED = 2;
inline constexpr uint32_t NET_STATUS_JOINED = 3;
inline constexpr uint32_t NET_STATUS_RUNNING = 4;
inline constexpr uint32_t NET_STATUS_CLOSING = 5;
inline constexpr uint32_t NET_STATUS_FAILED = 6;
inline constexpr uint32_t NET_STATUS_NO_PEER = 7;
inline constexpr uint32_t NET_STATUS_OTHER_GAME = 8;
inline constexpr uint32_t NET_STATUS_OTHER_VERSION = 9;

// Session error codes.
inline constexpr int32_t NET_ERROR_NONE = 0;
inline constexpr int32_t NET_ERROR_CANCELLED = 1;
inline constexpr int32_t NET_ERROR_SOCKET = 2;
inline constexpr int32_t NET_ERROR_LISTEN = 3;
inline constexpr int32_t NET_ERROR_CONNECT = 4;
inline constexpr int32_t NET_ERROR_DISCONNECTED = 5;
inline constexpr int32_t NET_ERROR_MEMORY = 6;
inline constexpr int32_t NET_ERROR_BAD_CONNECTION = 7;
inline constexpr int32_t NET_ERROR_VERSION = 8;
inline constexpr int32_t NET_ERROR_PROTOCOL = 9;

// The text shown or logged for a session error code.
const char16_t* netErrorText(int32_t code);

inline constexpr uint32_t NET_MAX_PLAYERS = 4;
// Name units of a player record, terminator included; names keep at most 16 units.
inline constexpr uint32_t NET_NAME_UNITS = 17;
// Latencies above this many worker steps (one second) are refused: the input rings are sized
// from them.
inline constexpr uint32_t NET_MAX_LATENCY = 120;

struct NetPlayerInfo {
  uint32_t id = 0;
  char16_t name[NET_NAME_UNITS] = {};
  int32_t connect = 0;   // 1 when that client reached the host over the NAT path
  uint32_t latency = 0;  // worker steps
};

struct NetSessionInfo {
  uint32_t playerCount = 0;
  NetPlayerInfo players[NET_MAX_PLAYERS];
};

// The largest latency of the description: the input delay in frames.
uint32_t netInputDelay(const NetSessionInfo& info);

// The lounge's NAT record (kind 0).
struct NetNatRecord {
  uint32_t address = 0;          // rendezvous IPv4, host order; 0 = none
  int32_t port = -1;             // rendezvous UDP port; -1 = none
  int32_t localPort = -1;        // local port of the second socket; -1 = none
  bool complete() const { return address != 0 && port != -1 && localPort != -1; }
};

// The texts of the waiting dialog.
inline constexpr const char16_t* NET_DIALOG_WAITING = u"対戦相手の通信状況が不安定なので待機しています";
inline constexpr const char16_t* NET_DIALOG_FLUSHING = u"未送信のデータを配信しています";
inline constexpr const char16_t* NET_DIALOG_BUFFERING = u"観戦データをバッファリング中です";

// The session's waiting dialog. The host connects the real dialog layer; the headless one
// records what was shown.
class NetDialog {
 public:
  virtual ~NetDialog() = default;
  // Opens the dialog with the text (or changes its text when already open).
  virtual void show(const char16_t* text) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
};

class HeadlessNetDialog final : public NetDialog {
 public:
  void show(const char16_t* text) override;
  void close() override;
  bool isOpen() const override;
  // Every text shown, in order (a repeated show of the open text is not recorded again).
  std::vector<std::u16string> shown() const;

 private:
  mutable std::vector<std::u16string> shown_;
  bool open_ = false;
  std::u16string current_;
};

// Values that tests shorten; the defaults are the session's own.
struct NetOptions {
  uint16_t hostPort = 14141;
  // Local IPv4 address (host byte order) the host's listener binds; 0 is every interface.
  uint32_t bindAddress = 0;
  // Polls (worker steps) a connection may leave messages unacknowledged before it fails.
  uint32_t timeoutPolls = 600;
  // A spectator hand-shake without progress for longer than this is dropped.
  uint32_t spectatorStallMs = 9999;
  // Frames a stopped match waits after every client drained before it resumes.
  uint32_t resumeCountdown = 240;
  // Round trips a client averages into its latency.
  uint32_t latencyEchoes = 300;
  // Bytes a spectator keeps buffered before it stops reading its connection.
  uint32_t spectatorBufferCap = 4u << 20;
};

// What a session needs of the program around it.
class NetHost {
 public:
  virtual ~NetHost() = default;
  // Whether the run has a lounge link at all.
  virtual bool loungeLinked() = 0;
  // One whole record when one is waiting; false otherwise. A broken pipe is fatal.
  virtual bool readLounge(NetLoungeRecord* record) = 0;
  // A status record with a zero payload; nothing without a lounge link. A broken pipe is fatal.
  virtual void writeLounge(uint32_t kind) = 0;
  // Dispatches waiting window messages, then sleeps `milliseconds`; false on a quit message.
  virtual bool pump(uint32_t milliseconds) = 0;
  virtual NetDialog& dialog() = 0;

  int32_t gameId = 0;
  uint32_t gameVersion = 0;
  NetOptions options;
};
