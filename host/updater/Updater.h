#pragma once

#include <cstdint>
#include <string>

struct OMB_SOCKET;
namespace dlg {
class Window;
}

// The update check before the settings dialog: an HTTP/1.0 request for "/<path>/ver<version>.txt"
// to the update server (through the proxy of the settings store when one is set), bounded to
// five seconds from its start, with a progress window while it works. 200 shows the notice with
// the link to the maker's page, 404 means the game is the latest, 301 follows the Location line.

// What the caller owns and releases after the call: the progress window and the connection.
struct UpdaterRecord {
  dlg::Window* progress = nullptr;
  OMB_SOCKET* connection = nullptr;
  void release();
};

namespace Updater {
// True: go on with the start-up (latest version, notice dismissed, or any failure). False: the
// player followed the link.
bool run(UpdaterRecord& record, const std::u16string& host, int32_t port,
         const std::u16string& path, uint32_t version, const std::u16string& simpleTitle);
}  // namespace Updater

// The key/value file that stands in for the per-user settings store (the proxy set-up): empty by
// default; GAME_SETTINGS_STORE names another file.
std::string updaterSettingsStorePath();

// The maker's web page the notice links to.
inline constexpr const char16_t* UPDATER_MAKER_PAGE = u"https://www.quorvane.example/";
