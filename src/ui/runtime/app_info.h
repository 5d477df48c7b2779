#pragma once
// The program's title and version: the one place they are defined. The
// settings store's application name, the configuration dialog's title line,
// its version line and the Windows version resource all take them from here
// (the numbers come from the build's project version).

#ifndef GRINZO_VERSION_MAJOR
#error "GRINZO_VERSION_MAJOR is set by the build (project version)"
#endif

namespace grinzo::rt {

inline constexpr const char* kAppTitle = "Grinzo Screensaver";

struct AppVersion {
  int major;
  int minor;
  int revision;
};

inline constexpr AppVersion kAppVersion{GRINZO_VERSION_MAJOR, GRINZO_VERSION_MINOR,
                                        GRINZO_VERSION_PATCH};

}  // namespace grinzo::rt
