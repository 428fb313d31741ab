#include "host/window/ombMswWindow.h"

#include "foundation/omb/ombCore.h"
#include "foundation/omb/ombLog.h"
#include "foundation/omb/text/ombString.h"
#include "platform/window/InstanceChannel.h"

#include <memory>
#include <mutex>
#include <new>

namespace {

namespace pw = platform::window;

std::mutex moduleLock;
char16_t className[OMB_MSW_WINDOW_CLASS_CAPACITY] = {};
bool classRegistered = false;
bool appActive = true;
bool keyHookInstalled = false;
std::unique_ptr<pw::InstanceChannel> instanceChannel;

pw::Message message(pw::MessageKind kind, uint32_t param = 0) {
  pw::Message m;
  m.kind = kind;
  m.param = param;
  return m;
}

void registerClass() {
  std::lock_guard<std::mutex> hold(moduleLock);
  if (classRegistered) return;
  classRegistered = true;
  // Registering the class makes this program the one running instance of the class name; a
  // program that cannot claim it (another holds it) still gets its window, as a second
  // registration of a class on the original system did.
  instanceChannel = pw::InstanceChannel::claim(className);
}

intptr_t defaultProc(OMB_MSW_WINDOW* record, const pw::Message& m) {
  if (m.kind == pw::MessageKind::SysCommand && (m.param & 0xFFF0) == pw::kScClose) {
    return ombMswWindowProc(record, message(pw::MessageKind::Close));
  }
  // The system accepts power events it does not ask about.
  if (m.kind == pw::MessageKind::PowerBroadcast) return 1;
  return 0;
}

intptr_t sysCommand(OMB_MSW_WINDOW* record, const pw::Message& m) {
  switch (m.param & 0xFFF0) {
    case pw::kScMove: {
      record->dragging = true;
      record->window->setMouseCapture(true);
      const pw::Point cursor = pw::backend().cursorPosition();
      record->dragX = cursor.x;
      record->dragY = cursor.y;
      return 0;
    }
    case pw::kScClose:
    case pw::kScRestore:
      return defaultProc(record, m);
    case pw::kScDefault:
      record->window->post(message(pw::MessageKind::Close));
      return 0;
    default:
      // Screen saver, monitor power, minimise, maximise, sizing and menus are swallowed.
      return 0;
  }
}

void endDrag(OMB_MSW_WINDOW* record) {
  if (!record->dragging) return;
  record->dragging = false;
  record->window->setMouseCapture(false);
}

}  // namespace

void ombMswWindowInit() {
  std::lock_guard<std::mutex> hold(moduleLock);
  ombStrCopy(OMB_MSW_WINDOW_DEFAULT_CLASS, className, OMB_MSW_WINDOW_CLASS_CAPACITY);
  classRegistered = false;
  appActive = true;
  keyHookInstalled = false;
  instanceChannel.reset();
}

void ombMswWindowUninit() {
  std::lock_guard<std::mutex> hold(moduleLock);
  keyHookInstalled = false;
  classRegistered = false;
  instanceChannel.reset();
}

void ombMswWindowSetClassName(const char16_t* name) {
  std::unique_lock<std::mutex> hold(moduleLock);
  if (classRegistered) {
    hold.unlock();
    ombLogPrintf(OMB_LOG_INFORMATION,
                 u"Information: [%s] can't set class name after window creation",
                 "ombMswWindowSetClassName");
    return;
  }
  ombStrCopy(name, className, OMB_MSW_WINDOW_CLASS_CAPACITY);
}

const char16_t* ombMswWindowGetClassName() { return className; }

OMB_MSW_WINDOW* ombMswWindowCreate(const OMB_MSW_WINDOW_DESC* description) {
  auto* record = ombCheckAlloc(new (std::nothrow) OMB_MSW_WINDOW{});
  if (!record) return nullptr;
  record->copyData = description->copyData;
  record->copyDataUser = description->copyDataUser;
  registerClass();

  pw::Backend& backend = pw::backend();
  const pw::Rect client{0, 0, description->width ? description->width : 320,
                        description->height ? description->height : 240};
  record->windowed = !description->fullScreen;
  const pw::Rect adjusted = backend.adjustRect(client, description->fullScreen);
  const pw::Point screen = backend.screenSize();
  int32_t x = (screen.x - adjusted.width()) / 2;
  int32_t y = (screen.y - adjusted.height()) / 2;
  if (x < 0) x = 0;
  if (y < 0) y = 0;
  pw::CreateParams params;
  params.title = description->title ? description->title : u"";
  params.frame = {x, y, x + adjusted.width(), y + adjusted.height()};
  params.fullScreen = description->fullScreen;
  std::unique_ptr<pw::Window> window = backend.create(params);
  if (!window) {
    ombLogPuts(OMB_LOG_INFORMATION, u"ウインドウの作成に失敗しました。");
    delete record;
    return nullptr;
  }
  record->window = window.release();
  record->window->show();
  if (!backend.keepAwake()) record->executionStateFallback = true;
  if (description->flags & OMB_MSW_WINDOW_KEY_HOOK) {
    std::lock_guard<std::mutex> hold(moduleLock);
    keyHookInstalled = true;
  }
  return record;
}

void ombMswWindowDestroy(OMB_MSW_WINDOW* record) {
  if (!record) return;
  record->window->hide();
  delete record->window;
  delete record;
}

intptr_t ombMswWindowProc(OMB_MSW_WINDOW* record, const pw::Message& m) {
  switch (m.kind) {
    case pw::MessageKind::Paint:
      return 0;
    case pw::MessageKind::Close:
      // The window stays; the game loop decides what a close means.
      record->closeRequested = true;
      return 0;
    case pw::MessageKind::ActivateApp: {
      std::lock_guard<std::mutex> hold(moduleLock);
      appActive = m.param == 1;
      return 0;
    }
    case pw::MessageKind::CopyData:
      if (m.dataId == OMB_MSW_COPYDATA_ID && record->copyData) {
        record->copyData(m.data.data(), static_cast<uint32_t>(m.data.size()),
                         record->copyDataUser);
      }
      return 0;
    case pw::MessageKind::SysCommand:
      return sysCommand(record, m);
    case pw::MessageKind::LButtonUp:
    case pw::MessageKind::CancelMode:
      endDrag(record);
      return 0;
    case pw::MessageKind::PowerBroadcast:
      if (m.param == pw::kPbtQuerySuspend || m.param == pw::kPbtQueryStandby) {
        return pw::kBroadcastQueryDeny;
      }
      return defaultProc(record, m);
    case pw::MessageKind::BringToFront:
      // Another start of the program found this one: the window comes to the front and the
      // application becomes the active one, as the other program's request does on the
      // original system.
      ombLogPrintf(OMB_LOG_INFORMATION,
                   u"Information: [%s] another instance asked for this window; brought to the "
                   u"front",
                   "ombMswWindowProc");
      record->window->bringToFront();
      record->window->post(message(pw::MessageKind::ActivateApp, 1));
      return 0;
  }
  return 0;
}

void ombMswWindowUpdate(OMB_MSW_WINDOW* record) {
  uint32_t requests = 0;
  {
    std::lock_guard<std::mutex> hold(moduleLock);
    if (instanceChannel) requests = instanceChannel->takeFrontRequests();
  }
  for (uint32_t i = 0; i < requests; ++i) {
    record->window->post(message(pw::MessageKind::BringToFront));
  }
  while (record->window->peekMessage()) {
    pw::Message m;
    const pw::ReadResult read = record->window->getMessage(m);
    if (read == pw::ReadResult::Quit) {
      record->quitRequested = true;
      break;
    }
    if (read == pw::ReadResult::Failure) break;
    record->window->answer(m, ombMswWindowProc(record, m));
  }
  if (record->dragging) {
    const pw::Point cursor = pw::backend().cursorPosition();
    const pw::Rect frame = record->window->state().frame;
    record->window->moveTo(frame.left + cursor.x - record->dragX,
                           frame.top + cursor.y - record->dragY);
    record->dragX = cursor.x;
    record->dragY = cursor.y;
  }
  if (record->executionStateFallback) pw::backend().keepAwake();
}

intptr_t ombMswWindowKeyboardHook(int32_t code, uint32_t message, uint32_t virtualKey) {
  std::lock_guard<std::mutex> hold(moduleLock);
  if (keyHookInstalled && code == OMB_HC_ACTION &&
      (message == OMB_WM_KEYDOWN || message == OMB_WM_KEYUP) && appActive &&
      (virtualKey == OMB_VK_LWIN || virtualKey == OMB_VK_RWIN)) {
    return 1;
  }
  return 0;
}

bool ombMswWindowIsAppActive() {
  std::lock_guard<std::mutex> hold(moduleLock);
  return appActive;
}

bool ombMswWindowBringRunningToFront(const char16_t* name) {
  return pw::signalInstance(name ? name : u"");
}
