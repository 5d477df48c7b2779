#pragma once
// The three per-user settings, kept as text under the program's title and
// the section "Settings". Nothing is normalised: the numbers are stored as
// the user typed them, and sound counts as on only for exactly "Yes".

#include <string>
#include <string_view>

#include "ui/platform.h"

namespace grinzo::config {

inline constexpr const char* kSection = "Settings";
inline constexpr const char* kLevelKey = "Level";
inline constexpr const char* kFacesKey = "Faces";
inline constexpr const char* kSoundKey = "Sound";

inline constexpr const char* kDefaultLevel = "1";
inline constexpr const char* kDefaultFaces = "10";
inline constexpr const char* kSoundOn = "Yes";
inline constexpr const char* kSoundOff = "No";

// The stored text of `key`, or `defaultValue` when it (or its section or the
// application) is missing or the store cannot be read.
std::string GetSetting(ui::Platform& platform, const std::string& key,
                       const std::string& defaultValue);
// Stores `value` under `key`; a store that cannot be written is not an
// error the program reports.
void SaveSetting(ui::Platform& platform, const std::string& key, const std::string& value);

// Exact, case-sensitive comparison: "yes", "YES" and " Yes" are all off.
inline bool soundIsOn(std::string_view stored) { return stored == kSoundOn; }

}  // namespace grinzo::config
