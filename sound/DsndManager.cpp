#include "sound/DsndManager.h"

#include "foundation/dbtl/DDebug.h"
#include "foundation/dbtl/DString.h"
#include "foundation/dbtl/Dstr.h"
#include "platform/dsound/DirectSound.h"
#include "sound/DsndBuffer.h"
#include "sound/DsndData.h"
#include "sound/DsndList.h"
#include "sound/DsndStream.h"

#include <cmath>
#include <cstring>

namespace dbtl {

using namespace dsound;

DsndManager::~DsndManager() {
  Release();
  m_data.Release();
  m_streams.Release();
}

int DsndManager::_EnumCallback(GUID* guid, const char* description, const char* module,
                               void* context) {
  if (static_cast<void*>(guid) != context) return 1;
  DString text;
  text.Append("[Dsnd] device ");
  if (description != nullptr) {
    text.Append("\"");
    text.Append(description);
    text.Append("\"");
  }
  text.Append(" driver ");
  if (module != nullptr) {
    text.Append("\"");
    text.Append(module);
    text.Append("\"");
  }
  text.Append("\n");
  DDebug::Print(text.GetText());
  return 0;
}

bool DsndManager::Create(HWND window) {
  if (m_directSound != nullptr) return false;
  bool ok = SUCCEEDED(DirectSoundCreate(nullptr, &m_directSound, nullptr));
  if (ok) {
    DirectSoundEnumerateA(&_EnumCallback, nullptr);
    ok = SUCCEEDED(m_directSound->SetCooperativeLevel(window, DSSCL_PRIORITY));
  }
  if (ok && m_primary == nullptr) {
    DSBUFFERDESC description{};
    description.dwSize = sizeof(DSBUFFERDESC);
    description.dwFlags = DSBCAPS_PRIMARYBUFFER;
    ok = SUCCEEDED(m_directSound->CreateSoundBuffer(&description, &m_primary, nullptr));
  }
  if (ok) {
    WAVEFORMATEX format{};
    format.wFormatTag = acm::WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = 22050;
    format.nAvgBytesPerSec = 88200;
    format.nBlockAlign = 4;
    format.wBitsPerSample = 16;
    ok = SUCCEEDED(m_primary->SetFormat(&format));
  }
  if (!ok) {
    // Release answers false while nothing was created; the pointers are cleared either way.
    if (m_directSound == nullptr) return false;
    Release();
    return false;
  }
  m_flags = CREATED;
  DDebug::Print("[Dsnd] Create mode");
  DDebug::Print("\n");
  return true;
}

bool DsndManager::Release() {
  if (m_directSound == nullptr) return false;
  while (m_streams.GetCount() != 0) {
    const DListBase::iterator first = m_streams.Begin();
    DList<DsndStream>::Get(first)->Close();
    m_streams.Erase(first);  // nothing when closing removed it already
  }
  m_streams.Clear();
  while (m_data.GetCount() != 0) {
    const DListBase::iterator first = m_data.Begin();
    const rcptr<DsndData> data = DList<DsndData>::Get(first);  // alive through its unload
    data->Unload();
    m_data.Erase(first);
  }
  m_data.Release();
  if (m_listener != nullptr) m_listener->Release();
  if (m_primary != nullptr) m_primary->Release();
  m_directSound->Release();
  m_listener = nullptr;
  m_primary = nullptr;
  m_directSound = nullptr;
  m_flags &= ~(CREATED | ALLOW_VOICE | ALLOW_3D);
  return true;
}

uint32_t DsndManager::_MaskFlags(uint32_t flags) const {
  return flags & m_flags & (ALLOW_3D | ALLOW_VOICE);
}

rcptr<DsndBuffer> DsndManager::CreateBuffer(const char* name, uint32_t flags, uint32_t priority) {
  if (!IsCreated()) return {};
  const rcptr<DsndData> data = _FindData(name);
  if (!data) return {};
  return data->CreateBuffer(_MaskFlags(flags), priority);
}

rcptr<DsndBuffer> DsndManager::LoadBuffer(const char* name, DFile& file, uint32_t flags,
                                          uint32_t priority) {
  if (!IsCreated()) return {};
  rcptr<DsndData> data = _FindData(name);
  if (!data) {
    data.Create(1);
    if (!data->Load(file, name, this)) return {};
    m_data.PushBack(data);
  }
  return data->CreateBuffer(_MaskFlags(flags), priority);
}

rcptr<DsndStream> DsndManager::CreateStream(const rcptr<DsndList>& list) {
  if (!IsCreated()) return {};
  rcptr<DsndStream> stream;
  stream.Create(1);
  if (!stream->Open(list, this)) return {};
  stream->_SetNode(m_streams.PushBack(rcptr<DsndStream>::Borrow(stream.Get())));
  return stream;
}

rcptr<DsndStream> DsndManager::CreateStreamFromFile(DFile& file) {
  rcptr<DsndList> list;
  list.Create(1);
  list->Add(file, 0);
  return CreateStream(list);
}

rcptr<DsndData> DsndManager::_FindData(const char* name) {
  const size_t length = std::strlen(name);
  for (DListBase::iterator it = m_data.Begin(); it != m_data.End(); it = DListBase::Next(it)) {
    rcptr<DsndData> data = DList<DsndData>::Get(it);
    const char* other = data->GetName();
    if (std::strlen(other) == length &&
        DstrCompareNoCaseN(other, name, static_cast<uint32_t>(length)) == 0) {
      return data;
    }
  }
  return {};
}

void DsndManager::_RemoveData(DsndData* data) {
  for (DListBase::iterator it = m_data.Begin(); it != m_data.End(); it = DListBase::Next(it)) {
    if (it->elementObject == data) {
      m_data.Erase(it);
      return;
    }
  }
}

void DsndManager::_RemoveStream(DsndStream* stream) {
  DListBase::iterator node = stream->_TakeNode();
  if (node) m_streams.Erase(node);
}

int32_t DsndManager::_VolumeToDb(float volume, float slope) {
  float x = 1.0f;
  if (volume >= 1e-6f) {  // a NaN volume is silence too
    const long double steps = std::log2(1.0L / static_cast<long double>(volume));
    x = static_cast<float>((static_cast<long double>(slope) + 0.05) * steps);
  }
  const float y = std::nearbyint(x * -10000.0f);
  if (y > 0) return 0;
  if (y < DSBVOLUME_MIN) return DSBVOLUME_MIN;
  return static_cast<int32_t>(y);
}

}  // namespace dbtl
