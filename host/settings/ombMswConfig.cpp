#include "host/settings/ombMswConfig.h"

#include "foundation/omb/ombLog.h"
#include "foundation/omb/ombMswAppData.h"
#include "host/settings/PlatformReport.h"
#include "platform/kernel/IniFile.h"
#include "platform/text/Utf8.h"

namespace {

// Each part of the report is formatted into 1024 units on the original.
constexpr std::size_t kPartLimit = 1023;

std::u16string part(std::u16string text) {
  if (text.size() > kPartLimit) text.resize(kPartLimit);
  return text;
}

}  // namespace

std::u16string ombMswConfigReport(const OMB_MSW_CONFIG& dialog, bool forLog) {
  std::u16string text = forLog ? u"Configuration Lists.\r\n" : u"";
  if (dialog.header) text += dialog.header;
  text += part(ombMswConfigPlatformReport());
  for (const auto& page : dialog.pages) text += part(page->report());
  return text;
}

int32_t ombMswConfigRun(OMB_MSW_CONFIG* dialog, bool shown) {
  // The dialog window does not exist yet: shown or not, the settings are confirmed unseen.
  (void)shown;
  OMB_MSW_CONFIG_CONTEXT context;
  context.section = dialog->section && dialog->section[0] ? dialog->section : u"Config";
  context.iniPath = platform::utf16ToUtf8(ombMswIniFileName());
  const bool useDefaults =
      platform::getPrivateProfileInt(context.section, u"default", 0, context.iniPath) == 0;
  for (const auto& page : dialog->pages) page->init(context, useDefaults);

  // Confirmation: the section remembers it, and the report goes to the log.
  platform::writePrivateProfileString(context.section, u"default", u"1", context.iniPath);
  ombLogPuts(OMB_LOG_INFORMATION, ombMswConfigReport(*dialog, true).c_str());
  for (const auto& page : dialog->pages) page->end(true);
  dialog->pages.clear();
  return 1;
}
