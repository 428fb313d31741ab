#include "platform/kernel/Clock.h"
#include "platform/kernel/Event.h"
#include "sound/DsndList.h"
#include "sound/DsndManager.h"
#include "sound/DsndStream.h"

#include <algorithm>
#include <cstring>

// The stream's worker thread: it holds the stream lock except while it waits, so a command from
// the game thread waits for a fill in progress.
namespace dbtl {

using namespace dsound;

namespace {

uint32_t now() { return platform::clock().milliseconds(); }

}  // namespace

uint32_t DsndStream::_ThreadEntry(void* stream) {
  return static_cast<DsndStream*>(stream)->_ThreadMain();
}

void DsndStream::_EndCurrentDecode() {
  const rcptr<DsndList::_DATA> entry = m_list->GetCurrent();
  if (entry) entry->wave.EndDecode();
}

bool DsndStream::_Lock(uint32_t offset, uint32_t bytes, uint32_t flags, void** memory,
                       uint32_t* length, void** second, uint32_t* secondLength) {
  if (SUCCEEDED(m_buffer->Lock(offset, bytes, memory, length, second, secondLength, flags))) {
    return true;
  }
  m_buffer->Restore();
  return SUCCEEDED(m_buffer->Lock(offset, bytes, memory, length, second, secondLength, flags));
}

uint32_t DsndStream::_Finish(bool failure) {
  _EndCurrentDecode();
  m_buffer->Stop();
  m_flags = 0;
  // A caller waiting in Play, SetVolume or FadeOut must always come back.
  if (failure) m_ack.Set();
  return 1;
}

uint32_t DsndStream::_ThreadMain() {
  DSectionLock held(m_lock);
  m_flags = RUNNING;
  m_command.Reset();
  m_notifyEvent.Reset();
  m_timeout = kInfinite;
  m_passDelivered = false;
  if (const rcptr<DsndList::_DATA> entry = m_list->GetCurrent()) entry->wave.BeginDecode();

  m_buffer->SetVolume(DsndManager::_VolumeToDb(m_base, 0));
  m_buffer->SetFrequency(DSBFREQUENCY_ORIGINAL);
  m_buffer->SetCurrentPosition(0);

  void* memory = nullptr;
  void* second = nullptr;
  uint32_t length = 0;
  uint32_t secondLength = 0;
  if (!_Lock(0, 0, DSBLOCK_ENTIREBUFFER, &memory, &length, &second, &secondLength)) {
    return _Finish(true);
  }
  int ends = 0;
  if (_Fill()) ends = 1;
  std::memcpy(memory, m_transfer.Get(), std::min(m_half, length));
  if (_Fill()) ++ends;  // stays in the transfer buffer for the second half
  m_buffer->Unlock(memory, length, second, secondLength);
  if (FAILED(m_buffer->Play(0, 0, DSBPLAY_LOOPING))) return _Finish(true);
  m_ack.Set();

  // The notification at offset 0 comes first, as the first half starts to play: it asks for the
  // second half.
  uint32_t next = m_half;
  for (;;) {
    // The lock is left only while waiting; the guard leaves it once more at the end.
    m_lock.Leave();
    platform::Event* events[2] = {m_notifyEvent._GetEvent(), m_command._GetEvent()};
    const uint32_t woken = platform::waitForAny(events, m_timeout);
    m_lock.Enter();
    if (woken == 0) {
      ++m_notifications;
      if (ends == 3) {
        _EndCurrentDecode();
        m_ack.Set();
        return _Finish(false);
      }
      if (!_Lock(next, m_half, 0, &memory, &length, &second, &secondLength)) return _Finish(true);
      std::memcpy(memory, m_transfer.Get(), std::min(m_half, length));
      m_buffer->Unlock(memory, length, second, secondLength);
      next = next == m_half ? 0 : m_half;
      if (_Fill()) ++ends;
    } else if (woken == platform::Event::kTimedOut) {
      _HandleTimeout();
    } else if (_HandleCommands()) {
      return _Finish(false);
    }
  }
}

void DsndStream::_HandleTimeout() {
  if ((m_flags & FADING) == 0) return;
  const uint32_t time = now();
  const uint32_t elapsed = time - m_fadeStart;
  if (elapsed < m_fadeDuration && m_timeout != 0) {
    const float left = 1.0f - static_cast<float>(elapsed) / static_cast<float>(m_fadeDuration);
    m_buffer->SetVolume(DsndManager::_VolumeToDb(m_base * left, 0.005f));
    const uint32_t end = m_fadeStart + m_fadeDuration;
    m_fadeNext += kFadeStepMs;
    while (m_fadeNext < end && m_fadeNext < time) m_fadeNext += kFadeStepMs;
    m_timeout = m_fadeNext >= end ? 0 : m_fadeNext - time;
  } else {
    m_buffer->SetVolume(DSBVOLUME_MIN);
    m_flags &= ~FADING;
    m_timeout = kInfinite;
  }
}

bool DsndStream::_HandleCommands() {
  if (m_flags & END_REQUESTED) {
    _EndCurrentDecode();
    m_flags &= ~END_REQUESTED;
    m_ack.Set();
    return true;
  }
  if (m_flags & FADE_REQUESTED) {
    m_fadeStart = now();
    m_timeout = std::min(m_fadeDuration, kFadeStepMs);
    m_fadeNext = m_fadeStart + m_timeout;
    m_flags = (m_flags & ~FADE_REQUESTED) | FADING;
    m_ack.Set();
  }
  if (m_flags & VOLUME_REQUESTED) {
    if (m_flags & FADING) {
      m_flags &= ~FADING;
      m_timeout = kInfinite;
    }
    m_buffer->SetVolume(DsndManager::_VolumeToDb(m_scale * m_base, 0));
    m_flags &= ~VOLUME_REQUESTED;
    m_ack.Set();
  }
  return false;
}

}  // namespace dbtl
