#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/lfm/lfmPack.h"
#include "foundation/lfm/lfmScrambled.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dPack.h"

#include <vector>

using namespace d3d9;


namespace {

template <class Record>
dbtl::rcptr<Record> appendRecord(dbtl::DList<Record>& list, L3DDevice* owner) {
  dbtl::rcptr<Record> record;
  record.Create(1);
  record->owner = owner;
  // The list borrows the record: its handles own it.
  record->node = list.PushBack(dbtl::rcptr<Record>::Borrow(record.Get()));
  return record;
}

size_t fileSize(dbtl::DFile& file) {
  const int64_t size = file.GetSize();
  if (size < 0 || size > 0x7FFFFFFF) {
    lerrFatal(lerrText(u"ファイル \"%s\" のサイズを取得できませんでした。").c_str(), file.GetPath());
  }
  return size_t(size);
}

// The shader archive's entries are stored scrambled by their offset in the entry.
std::vector<DWORD> readScrambledShader(dbtl::DFile& file, size_t& bytes) {
  if (!file.Seek(0, dbtl::DSEEK_BEGIN)) {
    lerrFatal(lerrText(u"ファイル \"%s\" の位置を設定できませんでした。").c_str(), file.GetPath());
  }
  bytes = fileSize(file);
  // Whole tokens, so that a file whose length is not a multiple of 4 is still read whole.
  std::vector<DWORD> tokens((bytes + 3) / 4);
  lfmReadScrambled(tokens.data(), bytes, file);
  return tokens;
}

std::vector<DWORD> readPlainShader(int32_t pack, const char* path, size_t& bytes) {
  dbtl::DFile file;
  lfmOpenPackData(pack, file, path);
  bytes = fileSize(file);
  std::vector<DWORD> tokens((bytes + 3) / 4);
  if (file.Read(tokens.data(), bytes) != int64_t(bytes)) {
    lerrFatal(lerrText(u"ファイル \"%s\" を読み込めませんでした。").c_str(), file.GetPath());
  }
  return tokens;
}

HRESULT createD3DShader(IDirect3DDevice9* device, const std::vector<DWORD>& tokens, size_t bytes,
                        IDirect3DVertexShader9** shader) {
  return device->CreateVertexShader(tokens.data(), bytes, shader);
}

HRESULT createD3DShader(IDirect3DDevice9* device, const std::vector<DWORD>& tokens, size_t bytes,
                        IDirect3DPixelShader9** shader) {
  return device->CreatePixelShader(tokens.data(), bytes, shader);
}

// The shader of the token bytes, listed on the device; empty when Direct3D refuses it.
template <class Record>
dbtl::rcptr<Record> createShader(L3DDevice* owner, dbtl::DList<Record>& list,
                                 const std::vector<DWORD>& tokens, size_t bytes) {
  decltype(Record::shader) shader = nullptr;
  if (owner->GetDevice() == nullptr ||
      FAILED(createD3DShader(owner->GetDevice(), tokens, bytes, &shader))) {
    return {};
  }
  dbtl::rcptr<Record> record = appendRecord(list, owner);
  record->shader = shader;
  return record;
}

// Buffers of a device without hardware vertex shaders are processed in software.
DWORD bufferUsage(uint32_t flags) {
  return D3DUSAGE_WRITEONLY | ((flags & L3DDEV_FLAG_VSHADER) ? 0 : D3DUSAGE_SOFTWAREPROCESSING);
}

}  // namespace

dbtl::rcptr<L3DVBuffer> L3DDevice::_CreateVBuffer(uint32_t length, uint32_t fvf) {
  const DWORD usage = bufferUsage(m_flags);
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (m_device == nullptr || FAILED(m_device->CreateVertexBuffer(length, usage, fvf,
                                                                 D3DPOOL_MANAGED, &buffer,
                                                                 nullptr))) {
    lerrFatal("%s", lerrText(u"[L3DDevice::_CreateVBuffer] ビデオメモリが不足しています").c_str());
  }
  dbtl::rcptr<L3DVBuffer> record = appendRecord(m_vbuffers, this);
  record->buffer = buffer;
  record->length = length;
  record->fvf = fvf;
  return record;
}

dbtl::rcptr<L3DVBuffer> L3DDevice::CreateVBuffer(const void* data, uint32_t length,
                                                 uint32_t fvf) {
  dbtl::rcptr<L3DVBuffer> record = _CreateVBuffer(length, fvf);
  record->buffer->SetPriority(0);
  record->SetData(data, length);
  return record;
}

dbtl::rcptr<L3DIBuffer> L3DDevice::_CreateIBuffer(uint32_t length) {
  const DWORD usage = bufferUsage(m_flags);
  IDirect3DIndexBuffer9* buffer = nullptr;
  if (m_device == nullptr || FAILED(m_device->CreateIndexBuffer(length, usage, D3DFMT_INDEX16,
                                                                D3DPOOL_MANAGED, &buffer,
                                                                nullptr))) {
    lerrFatal("%s", lerrText(u"[L3DDevice::_CreateIBuffer] ビデオメモリが不足しています").c_str());
  }
  dbtl::rcptr<L3DIBuffer> record = appendRecord(m_ibuffers, this);
  record->buffer = buffer;
  record->length = length;
  return record;
}

dbtl::rcptr<L3DIBuffer> L3DDevice::CreateIBuffer(const void* data, uint32_t length) {
  dbtl::rcptr<L3DIBuffer> record = _CreateIBuffer(length);
  record->buffer->SetPriority(0);
  record->SetData(data, length);
  return record;
}

dbtl::rcptr<L3DVShader> L3DDevice::CreateVShader(dbtl::DFile& file) {
  size_t bytes = 0;
  const std::vector<DWORD> tokens = readScrambledShader(file, bytes);
  dbtl::rcptr<L3DVShader> record = createShader(this, m_vshaders, tokens, bytes);
  if (!record) {
    lerrFatal(lerrText(u"[L3DDevice::CreateVShader] 頂点シェーダを作成できませんでした(%s)").c_str(),
              file.GetPath());
  }
  return record;
}

dbtl::rcptr<L3DPShader> L3DDevice::CreatePShader(dbtl::DFile& file) {
  size_t bytes = 0;
  const std::vector<DWORD> tokens = readScrambledShader(file, bytes);
  dbtl::rcptr<L3DPShader> record = createShader(this, m_pshaders, tokens, bytes);
  if (!record) {
    lerrFatal("%s", lerrText(u"[L3DDevice::CreatePShader] ピクセルシェーダを作成できませんでした").c_str());
  }
  return record;
}

// A shader of the pack that Direct3D refuses is no error: the caller gets an empty handle.
dbtl::rcptr<L3DVShader> L3DDevice::LoadVShader(const char* path) {
  size_t bytes = 0;
  const std::vector<DWORD> tokens = readPlainShader(l3dRegisteredPack(m_packs), path, bytes);
  return createShader(this, m_vshaders, tokens, bytes);
}

dbtl::rcptr<L3DPShader> L3DDevice::LoadPShader(const char* path) {
  size_t bytes = 0;
  const std::vector<DWORD> tokens = readPlainShader(l3dRegisteredPack(m_packs), path, bytes);
  return createShader(this, m_pshaders, tokens, bytes);
}

void L3DDevice::_RemoveVBuffer(L3DVBuffer* buffer) {
  m_vbuffers.Erase(buffer->node);
  buffer->node.Reset();
}
void L3DDevice::_RemoveIBuffer(L3DIBuffer* buffer) {
  m_ibuffers.Erase(buffer->node);
  buffer->node.Reset();
}
void L3DDevice::_RemoveVShader(L3DVShader* shader) {
  m_vshaders.Erase(shader->node);
  shader->node.Reset();
}
void L3DDevice::_RemovePShader(L3DPShader* shader) {
  m_pshaders.Erase(shader->node);
  shader->node.Reset();
}

// Records still held elsewhere live on without a Direct3D object and without an owner.
template <class Record>
void L3DDevice::_ReleaseList(dbtl::DList<Record>& list) {
  while (list.GetCount() != 0) {
    Record* record = static_cast<Record*>(list.Begin()->elementObject);
    if constexpr (requires { record->buffer; }) {
      safeRelease(record->buffer);
    } else {
      safeRelease(record->shader);
    }
    list.Erase(record->node);
    record->node.Reset();
    record->owner = nullptr;
  }
  list.Release();
}

void L3DDevice::_ReleaseVBuffers() { _ReleaseList(m_vbuffers); }
void L3DDevice::_ReleaseIBuffers() { _ReleaseList(m_ibuffers); }
void L3DDevice::_ReleaseVShaders() { _ReleaseList(m_vshaders); }
void L3DDevice::_ReleasePShaders() { _ReleaseList(m_pshaders); }
