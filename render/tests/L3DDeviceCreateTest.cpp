#include "render/device/L3DDevice.h"
#include "render/device/L3DFormat.h"
#include "testsupport/render/DeviceFixture.h"

using namespace d3d9;

namespace {

// An adapter that lacks one of the capabilities the renderer needs.
void breakAdapter(AdapterProfile& a) { a.caps.PrimitiveMiscCaps &= ~D3DPMISCCAPS_CULLCCW; }

void removeFormats(AdapterProfile& a, std::initializer_list<D3DFORMAT> formats) {
  for (D3DFORMAT f : formats) {
    std::erase_if(a.formats, [f](const FormatSupport& s) { return s.format == f; });
  }
}

}  // namespace

TEST_F(DeviceTest, AdapterListKeepsOnlyCapableAdaptersPackedInOrdinalOrder) {
  Init(Profile("twin", [](SystemProfile& p) {
    p.adapters.insert(p.adapters.begin(), p.adapters[0]);
    breakAdapter(p.adapters[0]);
    for (uint32_t i = 0; i < p.adapters.size(); ++i) p.adapters[i].caps.AdapterOrdinal = i;
    std::strcpy(p.adapters[2].identifier.DeviceName, "third");
  }));
  const L3D_ADAPTER_LIST& list = l3dGetAdapterList();
  ASSERT_EQ(list.count, 2u);
  EXPECT_EQ(list.adapters[0].caps.AdapterOrdinal, 1u);
  EXPECT_EQ(list.adapters[1].caps.AdapterOrdinal, 2u);
  EXPECT_STREQ(list.adapters[1].identifier.DeviceName, "third");
}

TEST_F(DeviceTest, SettingUpAgainWithTheSameObjectKeepsIt) {
  Init(Profile("default"));
  IDirect3D9* d3d = l3dGetDirect3D();
  const uint32_t references = d3d->refCount();
  l3dInit(d3d);
  EXPECT_EQ(l3dGetDirect3D(), d3d);
  EXPECT_EQ(d3d->refCount(), references);
  EXPECT_EQ(l3dGetAdapterList().count, 1u);
}

TEST_F(DeviceTest, SetUpFailuresAreFatal) {
  EXPECT_EQ(Fatal([] {
              selectProfile("none");
              l3dInit(nullptr);
            }),
            "[l3dInit] Direct3Dを使用できません");
  selectProfile("");
  EXPECT_EQ(Fatal([this] { Init(Profile("twoadapters", [](SystemProfile& p) {
                      breakAdapter(p.adapters[1]);
                    })); }),
            "[l3dInit] 利用可能なDirect3D対応デバイスがありません");
}

TEST_F(DeviceTest, DefaultProfileOpensInTheWindowWithBothModesAndReports) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW | L3DDEV_CREATE_MIPMAP |
                                                   L3DDEV_CREATE_COMPRESS);
  EXPECT_TRUE(device.IsWindowed());
  EXPECT_EQ(device.GetFlags(), L3DDEV_FLAG_FULLSCREEN | L3DDEV_FLAG_WINDOW | L3DDEV_FLAG_COMPRESS |
                                   L3DDEV_FLAG_VSHADER | L3DDEV_FLAG_PSHADER | L3DDEV_FLAG_MIPMAP |
                                   L3DDEV_FLAG_VSYNC);
  EXPECT_EQ(device.GetColorDepth(), 32u);
  const D3DPRESENT_PARAMETERS& window = device.GetPresentParameters();
  EXPECT_EQ(window.BackBufferWidth, 320u);
  EXPECT_EQ(window.BackBufferHeight, 240u);
  EXPECT_EQ(window.BackBufferFormat, D3DFMT_A8R8G8B8);
  EXPECT_EQ(window.AutoDepthStencilFormat, D3DFMT_D24X8);
  EXPECT_EQ(window.PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
  const std::string log = m_capture.Log();
  EXPECT_NE(log.find("[L3DDevice::_CreateTextureManager]\r\n\tColor texture format: X8R8G8B8\r\n"
                     "\tAlpha texture format: A8R8G8B8\r\n\tRender texture format: A8R8G8B8\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[L3DDevice::Create] Using a D3D Adapter is Software Raster Adapter"
                     "(swraster.drv v6.14.10.4660).\r\n"
                     "\tFullscreen:\r\n\t\tBackbuffer: 640x480x32(A8R8G8B8)\r\n\t\tDepth: D24X8\r\n"
                     "\t\tMultisample: 0\r\n"
                     "\tWindow:\r\n\t\tBackbuffer: 320x240x32(A8R8G8B8)\r\n\t\tDepth: D24X8\r\n"
                     "\t\tMultisample: 0\r\n"
                     "\tStencil: disable\r\n\tTexture Compress: enable\r\n\tVertex Shader: enable\r\n"
                     "\tVertex Shader Const: 256\r\n\tVertex Shader Matrix: 256\r\n"
                     "\tPixel Shader: enable\r\n\tTexture mipmap: enable\r\n"),
            std::string::npos)
      << log;
  EXPECT_LT(log.find("_CreateTextureManager"), log.find("Using a D3D Adapter"));
}

TEST_F(DeviceTest, FullScreenStartPresentsInStepWithTheBlank) {
  L3DDevice& device = Open(Profile("default"), 0);
  EXPECT_FALSE(device.IsWindowed());
  EXPECT_TRUE(device.GetFlags() & L3DDEV_FLAG_VSYNC_ACTIVE);
  EXPECT_EQ(device.GetPresentParameters().FullScreen_RefreshRateInHz, 60u);
  EXPECT_EQ(device.GetPresentParameters().PresentationInterval, D3DPRESENT_INTERVAL_DEFAULT);
}

TEST_F(DeviceTest, ImmediatePresentationHasNoVsync) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_IMMEDIATE);
  EXPECT_FALSE(device.GetFlags() & (L3DDEV_FLAG_VSYNC | L3DDEV_FLAG_VSYNC_ACTIVE));
  EXPECT_EQ(device.GetPresentParameters().PresentationInterval, D3DPRESENT_INTERVAL_IMMEDIATE);
}

TEST_F(DeviceTest, WithoutAFullScreenSizeOnlyTheWindowIsUsable) {
  L3DDevice& device = Open(Profile("default"), 0, 0, 480);
  EXPECT_TRUE(device.IsWindowed());
  EXPECT_FALSE(device.GetFlags() & L3DDEV_FLAG_FULLSCREEN);
  EXPECT_NE(m_capture.Log().find("\tCan't use in fullscreen mode.\r\n"), std::string::npos);
}

TEST_F(DeviceTest, DesktopOutsideTheTableLeavesOnlyFullScreenStartingAt16Bits) {
  L3DDevice& device = Open(Profile("default", [](SystemProfile& p) {
                             p.adapters[0].desktop.Format = D3DFMT_A2R10G10B10;
                           }),
                           L3DDEV_CREATE_WINDOW);
  EXPECT_FALSE(device.IsWindowed());
  EXPECT_FALSE(device.GetFlags() & L3DDEV_FLAG_WINDOW);
  EXPECT_EQ(device.GetColorDepth(), 16u);
  EXPECT_EQ(device.GetPresentParameters().BackBufferFormat, D3DFMT_R5G6B5);
  EXPECT_NE(m_capture.Log().find("\tCan't use in window mode.\r\n"), std::string::npos);
}

TEST_F(DeviceTest, A16BitDesktopIsTriedFirstAndDecidesTheColourDepth) {
  L3DDevice& device =
      Open(Profile("desktop16"), L3DDEV_CREATE_WINDOW);
  EXPECT_EQ(device.GetColorDepth(), 16u);
  EXPECT_EQ(device.GetColorTextureFormat(), D3DFMT_R5G6B5);
  EXPECT_EQ(device.GetAlphaTextureFormat(), D3DFMT_A4R4G4B4);
}

TEST_F(DeviceTest, ModesWithoutA24BitDepthBufferAreUnusable) {
  const std::string message = Fatal([this] {
    Open(Profile("default", [](SystemProfile& p) {
           removeFormats(p.adapters[0], {D3DFMT_D24X8, D3DFMT_D24S8});
         }),
         0);
  });
  EXPECT_EQ(message,
            "[L3DDevice::Create] D3D機能が利用できませんでした(Software Raster Adapter/swraster.drv)");
}

TEST_F(DeviceTest, MultisampleIndexGivesSamplesWhenBothFormatsTakeThem) {
  struct Case {
    uint32_t index;
    D3DMULTISAMPLE_TYPE type;
    DWORD quality;
  };
  const Case cases[] = {
      {0, D3DMULTISAMPLE_NONE, 0},         {1, D3DMULTISAMPLE_TYPE(2), 1},
      {3, D3DMULTISAMPLE_TYPE(4), 1},      {4, D3DMULTISAMPLE_NONE, 0},  // 5 samples: refused
      {16, D3DMULTISAMPLE_NONE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    L3DDevice& device = Open(Profile("msaa"), L3DDEV_CREATE_WINDOW, 640, 480, c.index);
    EXPECT_EQ(device.GetPresentParameters().MultiSampleType, c.type);
    EXPECT_EQ(device.GetPresentParameters().MultiSampleQuality, c.quality);
    Close();
  }
}

TEST_F(DeviceTest, TheOtherModeIsUsedWhenTheStartingOneCannotBeCreated) {
  struct Case {
    const char* name;
    void (*change)(AdapterProfile&);
    uint32_t options;
    bool windowed;
  };
  const Case cases[] = {
      {"full screen refused", [](AdapterProfile& a) { a.refuseFullscreenDevice = true; }, 0, true},
      {"window refused", [](AdapterProfile& a) { a.refuseWindowedDevice = true; },
       L3DDEV_CREATE_WINDOW, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    L3DDevice& device = Open(Profile("default", [&](SystemProfile& p) { c.change(p.adapters[0]); }),
                             c.options);
    EXPECT_EQ(device.IsWindowed(), c.windowed);
    EXPECT_EQ(device.GetFlags() & (L3DDEV_FLAG_FULLSCREEN | L3DDEV_FLAG_WINDOW),
              L3DDEV_FLAG_FULLSCREEN | L3DDEV_FLAG_WINDOW);
    Close();
  }
  EXPECT_EQ(Fatal([this] {
              Open(Profile("default", [](SystemProfile& p) {
                     p.adapters[0].refuseFullscreenDevice = true;
                     p.adapters[0].refuseWindowedDevice = true;
                   }),
                   0);
            }),
            "[L3DDevice::Create] D3Dデバイスが作成できません");
}

TEST_F(DeviceTest, SoftwareVertexProcessingClearsTheVertexShaderFlag) {
  struct Case {
    const char* profile;
    void (*change)(SystemProfile&);
  };
  const Case cases[] = {
      {"novs", nullptr},
      // Shaders 2.0 reported, but only the software retry creates the device.
      {"default", [](SystemProfile& p) { p.adapters[0].refuseMixedVertexProcessing = true; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.profile);
    L3DDevice& device = Open(Profile(c.profile, c.change), L3DDEV_CREATE_WINDOW);
    EXPECT_FALSE(device.GetFlags() & L3DDEV_FLAG_VSHADER);
    EXPECT_NE(m_capture.Log().find("\tVertex Shader: disable\r\n"), std::string::npos);
    D3DDEVICE_CREATION_PARAMETERS creation{};
    device.GetDevice()->GetCreationParameters(&creation);
    EXPECT_TRUE(creation.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING);
    Close();
  }
}

TEST_F(DeviceTest, CreateRefusesASecondDeviceAndAMissingAdapter) {
  L3DDevice& device = Open(Profile("default"), L3DDEV_CREATE_WINDOW);
  EXPECT_EQ(Fatal([&] { device.Create(0, &m_window, 0, 640, 480, 0, 0); }),
            "[L3DDevice::Create] すでに作成されている");
  L3DDevice second;
  EXPECT_EQ(Fatal([&] { second.Create(1, &m_window, 0, 640, 480, 0, 0); }),
            "[L3DDevice::Create] 指定されたアダプタ番号(1)は存在しない");
}

TEST(L3DFormatTest, NamesAndColourBitsComeFromTheTable) {
  EXPECT_STREQ(l3dGetFormatName(D3DFMT_D24S8), "D24S8");
  EXPECT_STREQ(l3dGetFormatName(D3DFMT_A2R10G10B10), "unknown");
  EXPECT_STREQ(l3dGetFormatName(D3DFMT_UNKNOWN), "unknown");
  EXPECT_TRUE(l3dHasFormatBits(32, D3DFMT_X8R8G8B8));
  EXPECT_FALSE(l3dHasFormatBits(24, D3DFMT_X8R8G8B8));
  EXPECT_TRUE(l3dHasFormatBits(24, D3DFMT_R8G8B8));
}

TEST_F(DeviceTest, AGivenColourDepthIsTheOnlyOneTriedForFullScreen) {
  struct Case {
    uint32_t bits;
    bool fullScreen;
    D3DFORMAT back;
    uint32_t colorDepth;  // the larger of full screen and desktop while both are usable
  };
  const Case cases[] = {
      {16, true, D3DFMT_R5G6B5, 32},
      {32, true, D3DFMT_A8R8G8B8, 32},
      {24, false, D3DFMT_UNKNOWN, 32},  // the adapter has no 24-bit modes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bits);
    Init(Profile("default"));
    SetClientSize(320, 240);
    m_device = std::make_unique<L3DDevice>();
    m_device->Create(0, &m_window, c.bits, 800, 600, 0, L3DDEV_CREATE_WINDOW);
    EXPECT_EQ((m_device->GetFlags() & L3DDEV_FLAG_FULLSCREEN) != 0, c.fullScreen);
    EXPECT_EQ(m_device->GetColorDepth(), c.colorDepth);
    if (c.fullScreen) {
      ASSERT_TRUE(m_device->Reset(false));
      EXPECT_EQ(m_device->GetPresentParameters().BackBufferFormat, c.back);
      EXPECT_EQ(m_device->GetPresentParameters().BackBufferWidth, 800u);
    }
    Close();
  }
}

TEST_F(DeviceTest, WithoutADeviceNothingIsDrawnOrPresented) {
  Init(Profile("default"));
  L3DDevice device;
  EXPECT_FALSE(device.Reset(true));
  EXPECT_TRUE(device.IsLost());
  EXPECT_FALSE(device.Present());
  EXPECT_FALSE(device.SetRenderTarget(true, {}));
  device.Release();  // nothing to release
}
