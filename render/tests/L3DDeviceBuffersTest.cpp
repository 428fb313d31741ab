#include "foundation/dbtl/DMFile.h"
#include "render/device/L3DDevice.h"
#include "render/device/l3dPack.h"
#include "testsupport/DmfBuilder.h"
#include "testsupport/MemoryPack.h"
#include "testsupport/render/DeviceFixture.h"

using namespace d3d9;

namespace {

const auto kVertexShader = {0xFFFE0101u, 0x0000FFFFu};
const auto kPixelShader = {0xFFFF0101u, 0x0000FFFFu};
// A vertex shader version followed by an opcode no model has.
const auto kBrokenShader = {0xFFFE0101u, 0x0000FF00u, 0x0000FFFFu};

std::vector<uint8_t> BufferBytes(BufferResource* buffer) { return buffer->bytes(); }

// An archive entry as the renderer opens it: a window of a "DMF " container on memory.
class ArchiveEntry {
 public:
  explicit ArchiveEntry(const std::vector<uint8_t>& stored) {
    const std::vector<uint8_t> bytes =
        DmfBuilder().Add("pad", "xyz").Add("shader", std::string(stored.begin(), stored.end())).Bytes();
    dbtl::rcptr<DMemorySource> source;
    source.Create(1);
    source->data = bytes;
    m_container.OpenOverride("sys/renderer.csa", source);
    EXPECT_TRUE(m_archive.Open(m_container));
    EXPECT_TRUE(m_archive.OpenEntry("shader", entry));
    entry.SetPath("sys/renderer.csa/shader");
  }
  dbtl::DFile entry;

 private:
  dbtl::DFile m_container;
  dbtl::DMFile m_archive;
};

}  // namespace

TEST_F(DeviceTest, SetDataCopiesAtMostTheBufferAndKeepsTheRest) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  const uint8_t first[6] = {1, 2, 3, 4, 5, 6};
  dbtl::rcptr<L3DVBuffer> vb = device.CreateVBuffer(first, 6, L3DDEV_DEFAULT_FVF);
  const uint8_t more[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  vb->SetData(more, 8);
  EXPECT_EQ(BufferBytes(vb->buffer), (std::vector<uint8_t>{9, 9, 9, 9, 9, 9}));
  const uint8_t fewer[2] = {7, 7};
  vb->SetData(fewer, 2);
  EXPECT_EQ(BufferBytes(vb->buffer), (std::vector<uint8_t>{7, 7, 9, 9, 9, 9}));

  const uint16_t indices[3] = {0, 1, 2};
  dbtl::rcptr<L3DIBuffer> ib = device.CreateIBuffer(indices, 6);
  EXPECT_EQ(BufferBytes(ib->buffer), (std::vector<uint8_t>{0, 0, 1, 0, 2, 0}));
  D3DINDEXBUFFER_DESC desc{};
  ib->buffer->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_INDEX16);
  EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
}

TEST_F(DeviceTest, BuffersOfASoftwareProcessingDeviceSaySo) {
  struct Case {
    const char* profile;
    DWORD usage;
  };
  for (const Case& c : {Case{"default", D3DUSAGE_WRITEONLY},
                        Case{"novs", D3DUSAGE_WRITEONLY | D3DUSAGE_SOFTWAREPROCESSING}}) {
    SCOPED_TRACE(c.profile);
    L3DDevice& device = Open(Profile(c.profile), L3DDEV_CREATE_WINDOW);
    D3DVERTEXBUFFER_DESC vdesc{};
    device._CreateVBuffer(56, L3DDEV_DEFAULT_FVF)->buffer->GetDesc(&vdesc);
    EXPECT_EQ(vdesc.Usage, c.usage);
    D3DINDEXBUFFER_DESC idesc{};
    device._CreateIBuffer(6)->buffer->GetDesc(&idesc);
    EXPECT_EQ(idesc.Usage, c.usage);
    Close();
  }
}

TEST_F(DeviceTest, ArchiveShadersAreDescrambledAndRefusalsAreFatal) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  ArchiveEntry vertex(Scrambled(TokenBytes(kVertexShader)));
  dbtl::rcptr<L3DVShader> vs = device.CreateVShader(vertex.entry);
  ASSERT_TRUE(vs);
  EXPECT_EQ(vs->shader->tokens(), std::vector<DWORD>(kVertexShader));
  ArchiveEntry pixel(Scrambled(TokenBytes(kPixelShader)));
  EXPECT_EQ(device.CreatePShader(pixel.entry)->shader->tokens(), std::vector<DWORD>(kPixelShader));

  ArchiveEntry broken(Scrambled(TokenBytes(kBrokenShader)));
  EXPECT_EQ(Fatal([&] { device.CreateVShader(broken.entry); }),
            "[L3DDevice::CreateVShader] 頂点シェーダを作成できませんでした(sys/renderer.csa/shader)");
  ArchiveEntry plain(TokenBytes(kPixelShader));  // not scrambled: garbage once descrambled
  EXPECT_EQ(Fatal([&] { device.CreatePShader(plain.entry); }),
            "[L3DDevice::CreatePShader] ピクセルシェーダを作成できませんでした");
}

TEST_F(DeviceTest, PackShadersArePlainAndARefusalIsOnlyAnEmptyHandle) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  PackScope pack;
  pack.Add("sys/posteffect/glow.vsh", TokenBytes(kVertexShader));
  pack.Add("sys/posteffect/glow.psh", TokenBytes(kPixelShader));
  pack.Add("sys/posteffect/bad.psh", TokenBytes(kBrokenShader));
  EXPECT_EQ(device.LoadVShader("sys/posteffect/glow.vsh")->shader->tokens(),
            std::vector<DWORD>(kVertexShader));
  EXPECT_TRUE(device.LoadPShader("sys/posteffect/glow.psh"));
  const size_t logged = m_capture.Log().size();
  EXPECT_FALSE(device.LoadPShader("sys/posteffect/bad.psh"));
  EXPECT_EQ(m_capture.Log().size(), logged);
}

TEST_F(DeviceTest, ReleasingTheDeviceTakesTheObjectsOfHeldRecords) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  dbtl::rcptr<L3DVBuffer> kept = device._CreateVBuffer(56, L3DDEV_DEFAULT_FVF);
  {
    dbtl::rcptr<L3DVBuffer> dropped = device._CreateVBuffer(56, L3DDEV_DEFAULT_FVF);
  }
  ArchiveEntry vertex(Scrambled(TokenBytes(kVertexShader)));
  dbtl::rcptr<L3DVShader> shader = device.CreateVShader(vertex.entry);
  device.Release();
  EXPECT_EQ(device.GetDevice(), nullptr);
  EXPECT_EQ(kept->buffer, nullptr);
  EXPECT_EQ(kept->owner, nullptr);
  EXPECT_EQ(shader->shader, nullptr);
  // Dropping the last handles now touches no device.
  kept.Reset();
  shader.Reset();
}
