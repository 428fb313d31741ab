#pragma once

#include "foundation/dbtl/DList.h"
#include "foundation/dbtl/DObject.h"
#include "foundation/dbtl/rcptr.h"
#include "platform/dsound/DsoundInterfaces.h"

#include <cstdint>

namespace dbtl {

class DsndData;

// A voice set of a loaded sound: device buffers sharing the sound's samples, each with a 3D
// interface when the set is positional. Whoever asked for the set owns it; the sound lists it
// without a reference, and the set takes itself out of that list when it is released.
class DsndBuffer : public DObject {
 public:
  static constexpr uint32_t POSITIONAL = 1;
  static constexpr uint32_t VOICE_MANAGED = 2;  // played with a priority, terminating others

  DsndBuffer() = default;
  DsndBuffer(const DsndBuffer&) = delete;
  DsndBuffer& operator=(const DsndBuffer&) = delete;
  ~DsndBuffer() override;

  // Takes over the buffer as the set's one voice. False when already created, or when a 3D
  // interface cannot be obtained; then the buffer stays the caller's to release.
  bool Create(DsndData* sound, dsound::IDirectSoundBuffer* buffer, uint32_t flags,
              uint32_t priority);
  // False when not created.
  bool Release();
  // Starts a voice from the beginning at the volume (an idle voice, else the playing voice that
  // is furthest on); nothing when no voice can be used.
  void Play(float volume);
  bool IsPlaying();
  // For positional sets only; z is negated on the way to the device.
  void SetPosition(float x, float y, float z);
  void SetVelocity(float x, float y, float z);

  bool _PickVoice(uint32_t* index);
  void _StartVoice(uint32_t index);
  void _Detach();
  void _SetNode(DListBase::iterator node, uint32_t location);
  dsound::IDirectSoundBuffer* _GetVoice(uint32_t index) const { return m_voices[index]; }
  uint32_t GetVoiceCount() const { return m_count; }
  bool IsCreated() const { return m_sound != nullptr; }

 private:
  DsndData* m_sound = nullptr;
  uint32_t m_count = 0;
  rcptr<dsound::IDirectSoundBuffer*> m_voices;
  rcptr<dsound::IDirectSound3DBuffer*> m_3d;
  uint32_t m_flags = 0;
  uint32_t m_priority = 0;
  rcptr<uint32_t> m_loops;  // bit 0: play looping (cleared by every Play)
  DListBase::iterator m_node;
  uint32_t m_location = 0;
};

}  // namespace dbtl
