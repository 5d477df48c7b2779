#include "config/settings.h"

#include "ui/runtime/app_info.h"

namespace grinzo::config {

std::string GetSetting(ui::Platform& platform, const std::string& key,
                       const std::string& defaultValue) {
  return platform.settings().read(rt::kAppTitle, kSection, key, defaultValue);
}

void SaveSetting(ui::Platform& platform, const std::string& key, const std::string& value) {
  platform.settings().save(rt::kAppTitle, kSection, key, value);
}

}  // namespace grinzo::config
