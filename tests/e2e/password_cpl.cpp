// A stand-in for the Windows 9x family's password.cpl, for the end-to-end
// tests: its VerifyScreenSavePwd shows no dialog but answers what the file
// "password-answer.txt" beside it says ("accept", anything else refuses),
// and appends one line per question to "password-prompts.txt" beside it:
// the answer given, whether the pointer is shown ("shown" or "hidden") and
// the owner window's title.
// Built as test-password.cpl; a test copies it beside grinzo.scr as
// password.cpl.

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::filesystem::path besideThisLibrary(const wchar_t* name) {
  HMODULE self = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&besideThisLibrary), &self);
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(self, path, MAX_PATH);
  std::wstring folder(path);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return std::filesystem::path(folder + name);
}

}  // namespace

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  std::string answer;
  std::ifstream(besideThisLibrary(L"password-answer.txt")) >> answer;
  char title[256] = {};
  GetWindowTextA(owner, title, sizeof(title));
  const bool accept = answer == "accept";
  // The pointer's display count, read without changing it.
  const int shown = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  std::ofstream(besideThisLibrary(L"password-prompts.txt"), std::ios::app)
      << (accept ? "accept" : "refuse") << " " << (shown >= 0 ? "shown" : "hidden") << " " << title
      << "\n";
  return accept ? TRUE : FALSE;
}
