#include "render/LResManager.h"

#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "platform/text/Cp932LeadByte.h"

#include <cstring>

namespace {

struct PreparedName {
  char text[264];
  uint32_t length;
  uint32_t bucket;
};

// Cut to 263 bytes and lower-cased; a lead byte keeps its trail byte as it is, so that a trail
// byte in 'A' to 'Z' stays upper-case.
PreparedName prepare(const char* name) {
  PreparedName p{};
  std::strncpy(p.text, name, 263);
  p.text[263] = '\0';
  for (char* c = p.text; *c != '\0'; ++c) {
    if (platform::cp932IsLeadByte(static_cast<unsigned char>(*c))) {
      if (c[1] == '\0') break;
      ++c;
    } else if (*c >= 'A' && *c <= 'Z') {
      *c = char(*c - 'A' + 'a');
    }
  }
  p.length = uint32_t(std::strlen(p.text));
  if (p.length == 0) {
    lerrFatal("%s", lerrText(u"[L3DRenderer::_CalcHash] 無名リソースに対してハッシュの計算が指示された").c_str());
  }
  uint32_t sum = 0;
  for (uint32_t i = 0; i < p.length; ++i) sum += static_cast<unsigned char>(p.text[i]);
  p.bucket = sum & 0xFF;
  return p;
}

L3D_RENDERER_NNID* find(const PreparedName& p, L3DNnidTable& table) {
  for (L3D_RENDERER_NNID* e = table.Bucket(p.bucket); e != nullptr; e = e->next) {
    if (e->length == p.length && std::memcmp(e->name, p.text, p.length) == 0) return e;
  }
  return nullptr;
}

}  // namespace

L3D_RENDERER_NNID* L3DNnidTable::Append() {
  if (m_count % kChunk == 0 && m_count / kChunk == m_chunks.size()) {
    m_chunks.push_back(std::make_unique<L3D_RENDERER_NNID[]>(kChunk));
  }
  L3D_RENDERER_NNID* entry = &m_chunks[m_count / kChunk][m_count % kChunk];
  ++m_count;
  return entry;
}

void L3DNnidTable::Clear() {
  m_chunks.clear();
  m_count = 0;
  std::memset(m_buckets, 0, sizeof m_buckets);
}

L3D_RENDERER_NNID* LResManager::AddNnid(L3DNnidTable& table, const char* name) {
  if (name == nullptr || name[0] == '\0') {
    lerrFatal("%s", lerrText(u"[LResManager::AddNnid] 無名は無効").c_str());
  }
  const PreparedName p = prepare(name);
  if (find(p, table) != nullptr) {
    lerrFatal(lerrText(u"[LResManager::AddNnid] すでに名前 \"%s\" は登録されている").c_str(), name);
  }
  L3D_RENDERER_NNID* entry = table.Append();
  std::memcpy(entry->name, p.text, sizeof entry->name);
  entry->length = p.length;
  entry->bucket = p.bucket;
  entry->previous = nullptr;
  L3D_RENDERER_NNID*& head = table.Bucket(p.bucket);
  entry->next = head;
  if (head != nullptr) head->previous = entry;
  head = entry;
  return entry;
}

L3D_RENDERER_NNID* LResManager::_FindNnid(const char* name, L3DNnidTable& table) {
  return find(prepare(name != nullptr ? name : ""), table);
}

L3D_RENDERER_NNID* LResManager::GetNnid(L3DNnidTable& table, const char* name) {
  L3D_RENDERER_NNID* nnid = _FindNnid(name, table);
  if (nnid == nullptr) {
    lerrFatal(lerrText(u"[LResManager::GetNnid] 名前 \"%s\" は登録されていません").c_str(), name);
  }
  return nnid;
}

const char* LResManager::GetNnidName(const L3D_RENDERER_NNID* nnid) {
  if (nnid == nullptr) lerrFatal(lerrText(u"[LResManager::GetNnidName] 番号 %d は異常").c_str(), 0);
  return nnid->name;
}
