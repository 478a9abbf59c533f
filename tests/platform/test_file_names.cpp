// The names a game file may have, the same on every platform, and the reading of names that are
// not UTF-8.
#include "platform/file_names.h"

#include <gtest/gtest.h>

namespace b3::platform {
namespace {

TEST(IsWindowsFileName, RefusesWhatWindowsCannotHold) {
    for (const char* good :
         {"KNIGHT", "Knight 2", "L\xC3\xA9gende", "A.B", "CONSOLE", "COM0", "LPT10",
          "\xE2\x82\xAC"
          "uro"}) {
        EXPECT_TRUE(IsWindowsFileName(good)) << good;
    }
    for (const char* bad :
         {"",       ".",       "..",       ".hidden", "A:B",        "a/b",          "a\\b",
          "<x>",    "say\"",   "pipe|",    "what?",   "star*",      "CON",          "con",
          "NUL",    "nul.ARM", "COM1",     "LPT9",    "AUX .txt",   "PRN",          "dot.",
          "space ", "tab\tin", "bell\x07", "del\x7F", "c1\xC2\x85", "\xE9\xBE\x8D", "\xFF\xFE"}) {
        EXPECT_FALSE(IsWindowsFileName(bad)) << bad;
    }
}

TEST(IsWindowsFileName, TheReasonNamesWhatToChange) {
    EXPECT_EQ(WindowsFileNameProblem("KNIGHT"), std::nullopt);
    EXPECT_EQ(WindowsFileNameProblem("A:B"), "the name holds the character ':'");
    EXPECT_EQ(WindowsFileNameProblem("\xC5\x81ucja"),
              "the character '\xC5\x81' cannot be stored in the game's files");
    EXPECT_EQ(WindowsFileNameProblem("nul.ARM"), "\"nul.ARM\" is a reserved device name");
    EXPECT_EQ(WindowsFileNameProblem(".hidden"), "the name starts with a dot");
}

TEST(FileNameText, ReadsOtherBytesAsWindows1252) {
    EXPECT_EQ(FileNameText("KNIGHT.ARM"), "KNIGHT.ARM");
    EXPECT_EQ(FileNameText("L\xC3\xA9gende"), "L\xC3\xA9gende");
    EXPECT_EQ(FileNameText("L\xE9gende"), "L\xC3\xA9gende");
    EXPECT_EQ(FileNameText("\x80"), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace b3::platform
