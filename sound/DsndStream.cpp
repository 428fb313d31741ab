#include "sound/DsndStream.h"

#include "sound/DsndList.h"
#include "sound/DsndManager.h"

#include <cstring>

namespace dbtl {

using namespace dsound;

DsndStream::~DsndStream() { Close(); }

bool DsndStream::Open(const rcptr<DsndList>& list, DsndManager* manager) {
  if (IsOpen() || !list || list->GetCount() == 0 || manager == nullptr ||
      manager->GetDirectSound() == nullptr) {
    return false;
  }
  m_manager = manager;
  m_list = list;
  const WAVEFORMATEX format = list->GetFirst()->wave.GetFormat();
  bool ok = format.nAvgBytesPerSec != 0 && format.nAvgBytesPerSec <= DSBSIZE_MAX / 2;
  if (ok) {
    DSBUFFERDESC description{};
    description.dwSize = sizeof(DSBUFFERDESC);
    description.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY | DSBCAPS_CTRLVOLUME |
                          DSBCAPS_CTRLFREQUENCY | DSBCAPS_LOCSOFTWARE;
    description.dwBufferBytes = 2 * format.nAvgBytesPerSec;
    description.lpwfxFormat = &format;
    ok = SUCCEEDED(manager->GetDirectSound()->CreateSoundBuffer(&description, &m_buffer, nullptr));
  }
  if (ok) {
    m_half = format.nAvgBytesPerSec;
    m_transfer.Create(m_half);
    void* notify = nullptr;
    ok = m_notifyEvent.Create(platform::EventInitial::NonSignalled, platform::EventReset::Auto,
                              nullptr, nullptr) &&
         SUCCEEDED(m_buffer->QueryInterface(IID_IDirectSoundNotify, &notify));
    m_notify = static_cast<IDirectSoundNotify*>(notify);
  }
  if (ok) {
    const DSBPOSITIONNOTIFY positions[2] = {{0, m_notifyEvent._GetEvent()},
                                            {m_half, m_notifyEvent._GetEvent()}};
    ok = SUCCEEDED(m_notify->SetNotificationPositions(2, positions));
  }
  m_flags = 0;
  ok = ok &&
       m_command.Create(platform::EventInitial::NonSignalled, platform::EventReset::Auto, nullptr,
                        nullptr) &&
       m_ack.Create(platform::EventInitial::NonSignalled, platform::EventReset::Auto, nullptr,
                    nullptr);
  if (!ok) Close();
  return ok;
}

bool DsndStream::Close() {
  if (!IsOpen()) return false;
  Stop();
  // A worker that ended by itself may still be on its way out; it must be gone before the
  // stream's members are.
  m_thread.Wait(DThread::kInfinite);
  m_thread.Close();
  m_manager->_RemoveStream(this);
  m_transfer.Reset();
  if (m_notify != nullptr) m_notify->Release();
  m_notify = nullptr;
  if (m_buffer != nullptr) m_buffer->Release();
  m_buffer = nullptr;
  m_notifyEvent.Close();
  m_command.Close();
  m_ack.Close();
  m_manager = nullptr;
  m_list.Reset();
  return true;
}

uint32_t DsndStream::GetFlags() {
  DSectionLock guard(m_lock);
  return m_flags;
}

uint32_t DsndStream::_GetNotificationCount() {
  DSectionLock guard(m_lock);
  return m_notifications;
}

void DsndStream::Play(float volume) {
  bool started = false;
  {
    DSectionLock guard(m_lock);
    if (!IsOpen() || m_flags != 0) return;
    m_list->Rewind();
    m_thread.Wait(DThread::kInfinite);  // a previous worker has left the lock and only returns
    m_thread.Close();
    // The worker that ran before acknowledged its own end; nobody waited for that, and it must
    // not stand for the acknowledgement of the start below.
    m_ack.Reset();
    m_base = volume;
    started = m_thread.Start(&_ThreadEntry, this);
  }
  if (started) m_ack.Wait(DEvent::kInfinite);
}

void DsndStream::Stop() {
  {
    DSectionLock guard(m_lock);
    if (m_flags == 0) return;
    m_flags |= END_REQUESTED;
    m_command.Set();
  }
  m_thread.Wait(DThread::kInfinite);
}

void DsndStream::SetVolume(float scale) {
  {
    DSectionLock guard(m_lock);
    if (m_flags == 0 || (m_flags & VOLUME_REQUESTED)) return;
    m_flags |= VOLUME_REQUESTED;
    m_scale = scale;
    m_command.Set();
  }
  m_ack.Wait(DEvent::kInfinite);
}

void DsndStream::FadeOut(uint32_t milliseconds) {
  {
    DSectionLock guard(m_lock);
    if (m_flags == 0 || (m_flags & (FADE_REQUESTED | FADING))) return;
    m_fadeDuration = milliseconds;
    m_flags |= FADE_REQUESTED;
    m_command.Set();
  }
  m_ack.Wait(DEvent::kInfinite);
}

bool DsndStream::_Fill() {
  uint8_t* transfer = m_transfer.Get();
  rcptr<DsndList::_DATA> entry = m_list->GetCurrent();
  if (!entry) {
    const bool eightBits = m_list->GetFirst()->wave.GetFormat().wBitsPerSample == 8;
    std::memset(transfer, eightBits ? 0x80 : 0, m_half);
    return true;
  }
  const uint8_t silence = entry->wave.GetFormat().wBitsPerSample == 8 ? 0x80 : 0;
  uint32_t filled = 0;
  bool retried = false;
  for (;;) {
    const int32_t got = entry->wave.Read(transfer + filled, m_half - filled);
    if (got > 0) {
      filled += static_cast<uint32_t>(got);
      retried = false;
      m_passDelivered = true;
      if (filled == m_half) return false;
      continue;
    }
    if (!retried) {
      retried = true;
      continue;
    }
    entry->wave.EndDecode();
    const rcptr<DsndList::_DATA> ended = entry;
    bool more = m_list->Next();
    entry = m_list->GetCurrent();
    // An entry that repeats without giving a byte would keep this loop busy for ever (an endless
    // loop of an empty or unreadable file); such a playlist is at its end.
    if (more && entry == ended && !m_passDelivered) more = false;
    if (!more) {
      std::memset(transfer + filled, silence, m_half - filled);
      return true;
    }
    entry->wave.Rewind();
    entry->wave.BeginDecode();
    retried = false;
    m_passDelivered = false;
  }
}

}  // namespace dbtl
