#pragma once

#include "foundation/dbtl/DEvent.h"
#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/DSection.h"
#include "foundation/dbtl/DThread.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <cstdint>

namespace dbtl {

class DsndList;
class DsndManager;

// Plays a playlist through a two-second device buffer that a worker thread refills one second at
// a time, one notification ahead. The game thread talks to the worker only through commands
// (end, fade out, new volume) posted under the stream's lock and acknowledged by the worker.
class DsndStream : public DObject {
 public:
  static constexpr uint32_t RUNNING = 1;
  static constexpr uint32_t END_REQUESTED = 2;
  static constexpr uint32_t FADE_REQUESTED = 0x10;
  static constexpr uint32_t FADING = 0x20;
  static constexpr uint32_t VOLUME_REQUESTED = 0x40;
  static constexpr uint32_t kInfinite = 0xFFFFFFFFu;
  static constexpr uint32_t kFadeStepMs = 50;

  DsndStream() = default;
  DsndStream(const DsndStream&) = delete;
  DsndStream& operator=(const DsndStream&) = delete;
  ~DsndStream() override;

  // False when already open, when the playlist is null or empty, or when a device step fails.
  bool Open(const rcptr<DsndList>& list, DsndManager* manager);
  // Stops the worker and leaves the manager's list. False when not open.
  bool Close();
  // Starts the worker when stopped (the playlist rewound) and waits until playback has begun;
  // a running stream ignores the call, its volume included.
  void Play(float volume);
  // Ends the worker and waits for it; nothing when stopped.
  void Stop();
  // While running: the volume becomes scale x the volume given to Play (cancels a fade).
  void SetVolume(float scale);
  // While running and not fading: lowers the volume to silence over that time.
  void FadeOut(uint32_t milliseconds);

  bool IsOpen() const { return m_manager != nullptr; }
  uint32_t GetFlags();
  dsound::IDirectSoundBuffer* _GetBuffer() const { return m_buffer; }
  // Notifications the worker has handled since the stream was opened: lets a test on the
  // device's manual clock wait for the worker before it moves the clock on.
  uint32_t _GetNotificationCount();
  void _SetNode(DListBase::iterator node) { m_node = std::move(node); }
  DListBase::iterator _TakeNode() { return std::move(m_node); }

 private:
  static uint32_t _ThreadEntry(void* stream);
  uint32_t _ThreadMain();
  // Fills the transfer buffer with the next half; true when the playlist has run out (the rest
  // was filled with silence).
  bool _Fill();
  // Locks the buffer (Lock's arguments), restoring a lost buffer and trying once more.
  bool _Lock(uint32_t offset, uint32_t bytes, uint32_t flags, void** memory, uint32_t* length,
             void** second, uint32_t* secondLength);
  // Ends the worker: the entry's decoding ends, the buffer stops, the flags clear.
  uint32_t _Finish(bool failure);
  void _EndCurrentDecode();
  void _HandleTimeout();
  // Handles the pending commands in the order end, fade, volume; true when the worker ends.
  bool _HandleCommands();

  DsndManager* m_manager = nullptr;
  rcptr<DsndList> m_list;
  dsound::IDirectSoundBuffer* m_buffer = nullptr;
  dsound::IDirectSoundNotify* m_notify = nullptr;
  DSection m_lock;
  DEvent m_notifyEvent;
  DEvent m_command;
  DEvent m_ack;
  float m_scale = 1.0f;
  float m_base = 1.0f;
  DThread m_thread;
  uint32_t m_flags = 0;
  rcptr<uint8_t> m_transfer;
  uint32_t m_half = 0;
  uint32_t m_fadeStart = 0;
  uint32_t m_fadeDuration = 0;
  uint32_t m_fadeNext = 0;
  uint32_t m_timeout = kInfinite;
  bool m_passDelivered = false;
  uint32_t m_notifications = 0;  // the current entry gave bytes since it was last rewound
  DListBase::iterator m_node;
};

}  // namespace dbtl
