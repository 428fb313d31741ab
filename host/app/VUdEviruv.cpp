#include "host/app/VUdEviruv.h"

#include "foundation/dbtl/DFile.h"
#include "foundation/lerr/lerr.h"
#include "foundation/lerr/lerrText.h"
#include "foundation/omb/file/ombFile.h"
#include "host/app/DDataOmbrel.h"
#include "platform/text/Cp932.h"

#include <string_view>

namespace {

constexpr size_t kPathUnits = 264;

}  // namespace

std::u16string packNameToPath(const char* name) {
  std::u16string path;
  const std::string_view bytes(name ? name : "");
  for (size_t i = 0; i < bytes.size() && path.size() < kPathUnits;) {
    char16_t unit = 0;
    const size_t used = platform::cp932DecodeChar(bytes.substr(i), unit);
    path += used == 0 ? u'?' : unit == u'\\' ? u'/' : unit;
    i += used ? used : 1;
  }
  return path;
}

bool VUdEviruv::IsDataExist(const char* name) {
  return ombFileIsExist(OMB_FILE_MODE_READ, packNameToPath(name).c_str()) == OMB_OK;
}

void VUdEviruv::OpenData(dbtl::DFile& file, const char* name, uint32_t flags) {
  const uint32_t mode = (flags & dbtl::DFILE_READ) ? OMB_FILE_MODE_READ : OMB_FILE_MODE_WRITE;
  uint32_t openFlags = 0;
  const uint32_t creation = flags & (dbtl::DFILE_CREATE | dbtl::DFILE_NEW);
  if (creation == (dbtl::DFILE_CREATE | dbtl::DFILE_NEW)) {
    openFlags = OMB_FILE_OPEN_CREATE;
  } else if (creation == dbtl::DFILE_CREATE) {
    lerrFatal("%s", lerrText(u"[VUdEviruv::OpenData] 未サポート(ALWAYS)").c_str());
  } else if (creation == dbtl::DFILE_NEW) {
    lerrFatal("%s", lerrText(u"[VUdEviruv::OpenData] 未サポート(NEW)").c_str());
  }
  OMB_FILE* opened = ombFileOpen(mode, packNameToPath(name).c_str(), openFlags);
  if (!opened) {
    lerrFatal("%s%s%s", lerrText(u"ファイル \"").c_str(), name ? name : "",
              lerrText(u"\" を開けませんでした。").c_str());
  }
  dbtl::rcptr<DDataOmbrel> source;
  source.Create(1);
  source->Attach(opened);
  file.OpenOverride(name, dbtl::rcptr<dbtl::DDataOverride>(source));
}
