#include "start/command_line.h"

#include <gtest/gtest.h>

#include <string>

#include "ui/runtime/errors.h"

namespace grinzo::start {
namespace {

TEST(CommandLine, ModeLetterIsTheSecondCharacterOfTheTrimmedUpperCasedText) {
  EXPECT_EQ(modeLetter(""), 0);
  EXPECT_EQ(modeLetter("S"), 0);  // one character: configuration
  EXPECT_EQ(modeLetter("   S  "), 0);
  EXPECT_EQ(modeLetter("/s"), 'S');
  EXPECT_EQ(modeLetter("  /S  "), 'S');
  EXPECT_EQ(modeLetter("-s"), 'S');
  EXPECT_EQ(modeLetter(" /c:1234"), 'C');
  EXPECT_EQ(modeLetter("/x"), 'X');
  EXPECT_EQ(modeLetter("\t/s"), '/');  // only spaces are trimmed
  EXPECT_EQ(commandText("  /p 12ab "), "/P 12AB");
}

TEST(CommandLine, ArgumentsFollowTheProgramNameQuotedOrNot) {
  EXPECT_EQ(argumentsAfterProgramName("\"C:\\Program Files\\grinzo.scr\" /c:1234"), " /c:1234");
  EXPECT_EQ(argumentsAfterProgramName("C:\\WINDOWS\\grinzo.scr /s"), " /s");
  EXPECT_EQ(argumentsAfterProgramName("grinzo.scr"), "");
  EXPECT_EQ(argumentsAfterProgramName("\"never closed /s"), "");
  EXPECT_EQ(argumentsAfterProgramName(""), "");
}

TEST(CommandLine, HostHandleIsTheTrailingRunOfDigits) {
  EXPECT_EQ(GetHwndFromCommand("/P 1234"), 1234);
  EXPECT_EQ(GetHwndFromCommand("/P:1234"), 1234);
  EXPECT_EQ(GetHwndFromCommand("/P1234"), 1234);
  EXPECT_EQ(GetHwndFromCommand("  /P 98 76  "), 76);
  EXPECT_EQ(GetHwndFromCommand("/P 000000000000000000042"), 42);
  EXPECT_EQ(GetHwndFromCommand("2147483647"), 2147483647);
}

TEST(CommandLine, HostHandleFailsClearlyOnBadEndings) {
  EXPECT_THROW(GetHwndFromCommand("/P"), rt::TypeMismatchError);
  EXPECT_THROW(GetHwndFromCommand("/A 12x"), rt::TypeMismatchError);
  EXPECT_THROW(GetHwndFromCommand(""), rt::TypeMismatchError);
  EXPECT_THROW(GetHwndFromCommand("/P 2147483648"), rt::OverflowError);
  EXPECT_THROW(GetHwndFromCommand("/P 99999999999999999999999999"), rt::OverflowError);
  EXPECT_THROW(GetHwndFromCommand("/P " + std::string(40000, '1')), rt::OverflowError);
  try {
    GetHwndFromCommand("/P");
  } catch (const rt::TypeMismatchError& e) {
    EXPECT_NE(std::string(e.what()).find("'/P'"), std::string::npos);
  }
}

}  // namespace
}  // namespace grinzo::start
