// Answers whether the system-wide "a screen saver is running" notice is
// given: exit status 1 when it is, 0 when not. A fresh process per question,
// because Wine keeps the value a process read first.

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  BOOL running = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}
