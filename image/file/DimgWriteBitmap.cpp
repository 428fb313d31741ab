#include "image/file/DimgWriteBitmap.h"

#include "foundation/dbtl/DExceptFile.h"
#include "image/DImageKind.h"
#include "image/DImageReverse.h"
#include "image/DimgBlit.h"
#include "image/file/DimgBmpHeader.h"
#include "image/file/DimgFileIo.h"

#include <cstring>
#include <vector>

namespace {

// Puts the caller's throw mode back on every way out.
class ThrowModeScope {
 public:
  explicit ThrowModeScope(dbtl::DFile& file) : m_file(file), m_previous(file.SetThrowMode(true)) {}
  ~ThrowModeScope() { m_file.SetThrowMode(m_previous); }
  ThrowModeScope(const ThrowModeScope&) = delete;
  ThrowModeScope& operator=(const ThrowModeScope&) = delete;
  bool Previous() const { return m_previous; }

 private:
  dbtl::DFile& m_file;
  bool m_previous;
};

// Throw mode is on: every failing file call throws.
void write(dbtl::DFile& file, const dbtl::DImage& image) {
  const uint32_t width = image.GetWidth();
  const uint32_t height = image.GetHeight();
  file.Seek(0, dbtl::DSEEK_BEGIN);
  DimgBmpFileHeader fileHeader;
  fileHeader.type = DimgBmpType;
  DimgWriteBmpFileHeader(file, fileHeader);
  DimgBmpInfoHeader info;
  info.size = DimgBmpInfoHeaderSize;
  info.width = static_cast<int32_t>(width);
  info.height = static_cast<int32_t>(height);
  info.planes = 1;
  info.bitCount = 24;
  DimgWriteBmpInfoHeader(file, info);

  // Bottom-up rows of B, G, R, as the file stores them, whatever the source's kind and order.
  dbtl::DImageReverse rows;
  if (!rows.Create(width, height, 0, DImageKindBGR8)) throw dbtl::DExceptFile();
  DimgBlit(rows, width, height, image, width, height, 0, 0);

  const int64_t pixelOffset = file.Tell();
  // Each row goes out whole, pitch bytes; the bytes after the pixels stay 0.
  std::vector<uint8_t> row(rows.GetPitch(), 0);
  const uint8_t* source = rows.GetBuffer();
  for (uint32_t y = 0; y < height; ++y, source += rows.GetPitch()) {
    std::memcpy(row.data(), source, size_t{width} * 3);
    if (file.Write(row.data(), row.size()) != static_cast<int64_t>(row.size())) {
      throw dbtl::DExceptFile();
    }
  }
  const int64_t size = file.GetSize();
  if (size > int64_t{UINT32_MAX}) throw dbtl::DExceptFile();
  fileHeader.size = static_cast<uint32_t>(size);
  fileHeader.offset = static_cast<uint32_t>(pixelOffset);
  file.Seek(0, dbtl::DSEEK_BEGIN);
  DimgWriteBmpFileHeader(file, fileHeader);
}

}  // namespace

bool DimgWriteBitmap(dbtl::DFile& file, const dbtl::DImage& image) {
  ThrowModeScope throwMode(file);
  try {
    write(file, image);
    return true;
  } catch (const dbtl::DExceptFile&) {
    if (throwMode.Previous()) throw;
  }
  DimgDebugPrint({"[DimgWriteBitmap] \"", file.GetPath(), "\": Write Error\n"});
  return false;
}
