#include "host/updater/Updater.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombResult.h"
#include "foundation/omb/text/ombFormat.h"
#include "foundation/omb/text/ombNumber.h"
#include "foundation/omb/text/ombString.h"
#include "net/omb/ombTcp.h"
#include "platform/dialog/Dialog.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/FolderRoots.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr uint32_t kDeadline = 5000;
constexpr uint32_t kPumpSleep = 50;
constexpr std::size_t kLineBytes = 1024;
constexpr const char* kRecvTag = "`anonymous-namespace'::recvLine";
constexpr const char* kTag = "Updater::run";

// The live progress window (owned by the record's caller through a static holder).
std::unique_ptr<dlg::Window> progressWindow;
dlg::Control* progressCancel = nullptr;
bool cancelled = false;

// Stands in for a wait: delivers what the windows have queued, ends at the deadline or a
// cancel, and sleeps 50 ms when asked.
bool updaterPump(uint32_t startTime, bool sleep) {
  while (progressWindow && dlg::Layer::dispatchPending(*progressWindow)) {
  }
  if (cancelled) return false;
  if (platform::clock().milliseconds() - startTime >= kDeadline) return false;
  if (sleep) platform::sleepMilliseconds(kPumpSleep);
  return true;
}

// One line, CR dropped, LF ending it; 1024 bytes without LF end a line too.
bool recvLine(std::u16string& line, OMB_SOCKET* connection, uint32_t startTime) {
  std::string bytes;
  for (;;) {
    char byte = 0;
    const platform::net::SocketIo io = platform::net::socketRecv(connection->socket, &byte, 1);
    if (io.error == platform::net::SocketError::WouldBlock) {
      if (!updaterPump(startTime, true)) return false;
      continue;
    }
    if (io.error != platform::net::SocketError::None || io.bytes == 0) {
      connection->state = OMB_SOCKET_FAILED;
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] can't recv", kRecvTag);
      return false;
    }
    if (byte == '\n') break;
    if (byte == '\r') continue;
    bytes += byte;
    if (bytes.size() == kLineBytes) break;
  }
  // The server's text is ASCII; anything else is taken as UTF-8, the locale's encoding here.
  line = platform::utf8ToUtf16(bytes);
  return true;
}

struct Proxy {
  std::u16string host;
  int32_t port = 0;
};

Proxy readProxy() {
  Proxy proxy;
  char16_t value[1024];
  platform::getPrivateProfileString(
      u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings",
      u"ProxyServer", u"", value, 1024, updaterSettingsStorePath());
  const std::u16string text = value;
  const auto colon = text.find(u':');
  proxy.host = text.substr(0, colon);
  if (colon != std::u16string::npos) {
    proxy.port = int32_t(ombStrToLong(text.c_str() + colon + 1, nullptr));
  }
  return proxy;
}

bool sendAll(OMB_SOCKET* c, const std::string& request, uint32_t startTime) {
  std::size_t sent = 0;
  while (sent < request.size()) {
    if (c->state != OMB_SOCKET_ESTABLISHED) {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] can't send", kTag);
      return false;
    }
    std::size_t size = request.size() - sent;
    if (c->sendBufferSize != 0 && c->sendBufferSize < size) size = c->sendBufferSize;
    const platform::net::SocketIo io = platform::net::socketSend(c->socket, request.data() + sent,
                                                                 size);
    if (io.error == platform::net::SocketError::None) {
      sent += io.bytes;
    } else if (io.error != platform::net::SocketError::WouldBlock) {
      c->state = OMB_SOCKET_FAILED;
    }
    if (sent < request.size() && !updaterPump(startTime, true)) return false;
  }
  return true;
}

// The notice: 0 when dismissed, -1 when the link was followed; a notice that cannot be made
// counts as dismissed.
int32_t showNotice(const std::u16string& title) {
  int32_t result = 0;
  dlg::Control* link = nullptr;
  dlg::Control* ok = nullptr;
  auto window = dlg::Layer::create(title, 470, 166, progressWindow.get(),
                                   [&](dlg::Window& w, const dlg::Notification& n) {
    switch (n.event) {
      case dlg::Event::Create:
        w.add(dlg::ControlKind::Label,
              u"現在インストールされているバージョンより新しいバージョンの\r\n"
              u"ゲームが公開されています。\r\nQuorvaneのホームページを御覧ください。",
              76, 14, 380, 64, -1);
        link = w.add(dlg::ControlKind::Label, u"Quorvaneのホームページを開く", 14, 86, 442, 16,
                     1009);
        ok = w.add(dlg::ControlKind::Button, u"OK", 356, 124, 100, 28, 1);
        w.setDefaultButton(ok);
        break;
      case dlg::Event::Click:
        if (n.control == link) {
          dlg::Layer::openUrl(UPDATER_MAKER_PAGE);
          result = -1;
          w.quit();
        } else if (n.control == ok) {
          w.quit();
        }
        break;
      case dlg::Event::Close: w.quit(); break;
      default: break;
    }
  });
  if (!window) return 0;
  window->visible = true;
  dlg::Layer::refresh(*window);
  dlg::Layer::run(*window);
  return result;
}

}  // namespace

std::string updaterSettingsStorePath() {
  if (const char* path = std::getenv("GAME_SETTINGS_STORE"); path && *path) return path;
  return platform::folderRoot(platform::FolderRoot::RoamingAppData) + "/settings-store.ini";
}

void UpdaterRecord::release() {
  if (connection) ombTcpClose(connection);
  connection = nullptr;
  if (progress && progressWindow.get() == progress) progressWindow.reset();
  progress = nullptr;
}

bool Updater::run(UpdaterRecord& record, const std::u16string& serverHost, int32_t serverPort,
                  const std::u16string& updaterPath, uint32_t version,
                  const std::u16string& simpleTitle) {
  cancelled = false;
  progressWindow = dlg::Layer::create(
      u"最新バージョンの確認中", 400, 88, nullptr, [](dlg::Window& w, const dlg::Notification& n) {
        if (n.event == dlg::Event::Create) {
          w.add(dlg::ControlKind::Label, u"ゲームが最新バージョンかどうか確認中です", 14, 14,
                372, 16, 1006);
          progressCancel = w.add(dlg::ControlKind::Button, u"キャンセル", 286, 46, 100, 28, 2);
        } else if ((n.event == dlg::Event::Click && n.control == progressCancel) ||
                   n.event == dlg::Event::Close) {
          cancelled = true;
        }
      });
  if (!progressWindow) return true;
  record.progress = progressWindow.get();
  progressWindow->visible = true;
  dlg::Layer::refresh(*progressWindow);

  const uint32_t startTime = platform::clock().milliseconds();
  if (!updaterPump(startTime, false)) return true;
  std::u16string host = serverHost;
  int32_t port = serverPort;
  char16_t pathText[1024];
  ombStrPrintf(pathText, 1024, u"/%ls/ver%u.txt", updaterPath.c_str(), version);
  std::u16string path = pathText;

  Proxy proxy = readProxy();
  if (!proxy.host.empty()) {
    if (proxy.port < 1) proxy.port = 80;
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] using proxy[%ls:%d]", kTag, proxy.host.c_str(),
                 proxy.port);
  }
  for (;;) {
    if (!updaterPump(startTime, false)) return true;
    if (record.connection) ombTcpClose(record.connection);
    record.connection = nullptr;
    const bool viaProxy = !proxy.host.empty();
    auto dropProxy = [&] {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] can't connect, try to connect directly",
                   kTag);
      proxy.host.clear();
    };
    const int32_t started = viaProxy
                                ? ombTcpConnect(&record.connection, proxy.host.c_str(), proxy.port)
                                : ombTcpConnect(&record.connection, host.c_str(), port);
    if (started < 0) {
      record.connection = nullptr;
      if (viaProxy) {
        dropProxy();
        continue;
      }
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] can't connect", kTag);
      return true;
    }
    int32_t state = ombTcpGetConnectState(record.connection);
    while (state == OMB_ERR_BUSY) {
      if (!updaterPump(startTime, true)) return true;
      state = ombTcpGetConnectState(record.connection);
    }
    if (state < 0) {
      if (viaProxy) {
        dropProxy();
        continue;
      }
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] can't connect", kTag);
      return true;
    }
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] connected", kTag);
    // The server may rely on these exact bytes: lines end with LF alone.
    char16_t request[1024];
    if (viaProxy) {
      ombStrPrintf(request, 1024, u"GET http://%ls:%d%ls HTTP/1.0\n\n", host.c_str(), port,
                   path.c_str());
    } else {
      ombStrPrintf(request, 1024, u"GET %ls HTTP/1.0\nHost: %ls\n\n", path.c_str(), host.c_str());
    }
    std::string bytes = platform::utf16ToUtf8(request);
    if (bytes.size() > 1024) bytes.resize(1024);
    if (!sendAll(record.connection, bytes, startTime)) return true;

    std::u16string status;
    if (!recvLine(status, record.connection, startTime)) return true;
    const auto space = status.find_first_of(u" \t");
    const uint64_t code =
        space == std::u16string::npos
            ? 0
            : std::strtoull(platform::utf16ToUtf8(status.substr(space + 1)).c_str(), nullptr, 0);
    if (code == 200) {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] newer version is here!", kTag);
      return showNotice(simpleTitle) >= 0;
    }
    if (code == 404) {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] this game is latest version", kTag);
      return true;
    }
    if (code != 301) {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] unknown return code: [%ls]", kTag,
                   status.c_str());
      return true;
    }
    ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] 301 Moved Permanently", kTag);
    std::u16string line;
    do {
      if (!updaterPump(startTime, false) || !recvLine(line, record.connection, startTime)) {
        return true;
      }
    } while (!ombStrIsEqualNoCase(line.c_str(), u"Location:", 9));
    const auto scheme = line.find(u"://", 9);
    if (scheme == std::u16string::npos) {
      ombLogPrintf(OMB_LOG_MESSAGE, u"Message: [%s] illigal format[%ls]", kTag, line.c_str());
      return true;
    }
    const std::size_t from = scheme + 3;
    const std::size_t end = line.find_first_of(u":/", from);
    host = line.substr(from, end - from);
    std::size_t rest = end;
    if (end != std::u16string::npos && line[end] == u':') {
      port = int32_t(ombStrToLong(line.c_str() + end + 1, nullptr));
      rest = line.find(u'/', end);
    }
    path = rest == std::u16string::npos ? u"" : line.substr(rest, 1023);
  }
}
