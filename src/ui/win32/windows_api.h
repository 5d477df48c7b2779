#pragma once
// <windows.h> for the Windows backend and programs. The core's drawing
// constants (gdi::SRCCOPY, SRCAND, SRCPAINT, CLR_INVALID) share their names
// with macros of <windows.h>, so the core's declarations are read first;
// after this header those names mean the platform's macros.

#include "ui/gdi/gdi.h"

// Must follow the core's headers.
#include <windows.h>
