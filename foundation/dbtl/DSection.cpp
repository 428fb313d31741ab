#include "foundation/dbtl/DSection.h"

namespace dbtl {

DSection::~DSection() = default;

void DSection::Enter() { m_mutex.lock(); }

void DSection::Leave() { m_mutex.unlock(); }

}  // namespace dbtl
