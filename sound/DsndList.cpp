#include "sound/DsndList.h"

namespace dbtl {

DsndList::~DsndList() {
  m_current.Reset();
  m_position.Reset();
  m_entries.Release();
}

bool DsndList::Add(DFile& file, int32_t loop) {
  rcptr<_DATA> entry;
  entry.Create(1);
  if (!entry->wave.Open(file)) return false;
  if (m_entries.GetCount() != 0) {
    const acm::WAVEFORMATEX& a = m_entries.Front()->wave.GetFormat();
    const acm::WAVEFORMATEX& b = entry->wave.GetFormat();
    if (a.wFormatTag != b.wFormatTag || a.nChannels != b.nChannels ||
        a.nSamplesPerSec != b.nSamplesPerSec || a.nAvgBytesPerSec != b.nAvgBytesPerSec ||
        a.nBlockAlign != b.nBlockAlign || a.wBitsPerSample != b.wBitsPerSample) {
      return false;
    }
  }
  entry->loop = loop;
  m_entries.PushBack(entry);
  return true;
}

void DsndList::Rewind() {
  for (DListBase::iterator it = m_entries.Begin(); it != m_entries.End(); it = DListBase::Next(it)) {
    DList<_DATA>::Get(it)->wave.Rewind();
  }
  m_position = m_entries.Begin();
  m_current = m_position != m_entries.End() ? DList<_DATA>::Get(m_position) : rcptr<_DATA>();
}

bool DsndList::Next() {
  if (!m_current) return false;
  if (m_current->loop == 0) {
    m_position = DListBase::Next(m_position);
    m_current = m_position != m_entries.End() ? DList<_DATA>::Get(m_position) : rcptr<_DATA>();
    return static_cast<bool>(m_current);
  }
  if (m_current->loop > 0) --m_current->loop;
  return true;
}

}  // namespace dbtl
