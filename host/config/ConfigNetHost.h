#pragma once

#include "net/session/NetTypes.h"
#include "platform/dialog/Dialog.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class Config;

// The session's waiting dialog as a window of the dialog layer: one label with the text. The
// close box does nothing: a waiting match ends through the lounge or the session's own time-out.
class DialogNetDialog final : public NetDialog {
 public:
  explicit DialogNetDialog(std::u16string title) : title_(std::move(title)) {}
  void show(const char16_t* text) override;
  void close() override;
  bool isOpen() const override { return window_ != nullptr; }
  // Delivers what is queued for the open dialog.
  void dispatch();

 private:
  std::u16string title_;
  std::unique_ptr<dlg::Window> window_;
  dlg::Control* label_ = nullptr;
};

// Environment entries that move the host's listener for tests (several matches on one machine).
inline constexpr const char* CONFIG_NET_PORT_VARIABLE = "GAME_NET_PORT";
inline constexpr const char* CONFIG_NET_BIND_VARIABLE = "GAME_NET_BIND";
// Round trips a client averages into its latency; tests shorten the measurement.
inline constexpr const char* CONFIG_NET_ECHOES_VARIABLE = "GAME_NET_ECHOES";

// The session's view of the host: the lounge pipes of the configuration, the window pump and
// the waiting dialog of the dialog layer.
class ConfigNetHost final : public NetHost {
 public:
  // Takes the game id and version from the configuration, the options from the environment.
  explicit ConfigNetHost(Config& config);

  // Lounge mode with at least one pipe number.
  bool loungeLinked() override;
  // A failing pipe is the configuration's level-0 lounge error (which ends the game).
  bool readLounge(NetLoungeRecord* record) override;
  void writeLounge(uint32_t kind) override;
  // Dispatches the dialog's and the main window's messages, then sleeps.
  bool pump(uint32_t milliseconds) override;
  NetDialog& dialog() override { return dialog_; }

  // The main window's pump once it exists: false when a quit was asked. Null afterwards.
  void setWindowPump(std::function<bool()> windowPump) { windowPump_ = std::move(windowPump); }

 private:
  Config& config_;
  DialogNetDialog dialog_;
  std::function<bool()> windowPump_;
};

// The options of a run: the defaults, changed by the environment entries above; a value that
// does not parse keeps its default.
NetOptions configNetOptions(const char* port, const char* bind, const char* echoes);
