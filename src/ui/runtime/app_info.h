#pragma once
// The program's title, copyright line and version: the one place they are
// defined. The settings store's application name, the configuration dialog's
// title, version and copyright lines and the Windows version resource all
// take them from here (the numbers come from the build's project version).
//
// The texts are also macros because the Windows resource compiler reads this
// header too (it defines RC_INVOKED and understands only the preprocessor).

#ifndef GRINZO_VERSION_MAJOR
#error "GRINZO_VERSION_MAJOR is set by the build (project version)"
#endif

#define GRINZO_APP_TITLE "Grinzo Screensaver"
#define GRINZO_APP_COPYRIGHT "Copyright (C) the " GRINZO_APP_TITLE " authors"

#ifndef RC_INVOKED

namespace grinzo::rt {

inline constexpr const char* kAppTitle = GRINZO_APP_TITLE;
inline constexpr const char* kAppCopyright = GRINZO_APP_COPYRIGHT;

struct AppVersion {
  int major;
  int minor;
  int revision;
};

inline constexpr AppVersion kAppVersion{GRINZO_VERSION_MAJOR, GRINZO_VERSION_MINOR,
                                        GRINZO_VERSION_PATCH};

}  // namespace grinzo::rt

#endif
