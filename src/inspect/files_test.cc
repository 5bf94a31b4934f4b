#include "inspect/files.h"

#include <gtest/gtest.h>

namespace inspect {
namespace {

TEST(DriveLetterForm, Screen) {
  const char* with_form[] = {"C:\\", "c:/", "Z:\\dir\\file", "a:/x", "\\\\?\\C:\\x",
                             "\\\\?\\d:/"};
  const char* without[] = {
      "", "C:", "C", "1:\\x", "\xC3\x89:\\x",  // digit, accented letter
      "C;\\x", "CC:\\", "C:x", "C::", "/usr/bin", "\\\\server\\share",
      "\\\\?\\", "\\\\?\\C:", "\\\\?\\\\\\?\\C:\\",  // fewer than 3 after the prefix; prefix twice
      "\\\\.\\C:\\",                                  // not the long-path prefix
      "@:\\", "[:\\",                                 // next to the letters in ASCII
  };
  for (const char* path : with_form) EXPECT_TRUE(drive_letter_form(path)) << path;
  for (const char* path : without) EXPECT_FALSE(drive_letter_form(path)) << path;
}

TEST(FilesToLookUp, UniqueScreenedAndWithoutDevices) {
  std::vector<std::string> paths = {
      "C:\\a.txt", "/etc/passwd", "C:\\a.txt", "c:\\A.TXT", "C:\\dir\\con.txt",
      "\\\\?\\D:\\b", "relative", "C:\\dir\\com1", "C:\\dir\\com10", "C:\\a.txt",
  };
  EXPECT_EQ(files_to_look_up(paths),
            (std::vector<std::string_view>{"C:\\a.txt", "c:\\A.TXT", "\\\\?\\D:\\b",
                                      "C:\\dir\\com10"}));
  EXPECT_TRUE(files_to_look_up({}).empty());
}

}  // namespace
}  // namespace inspect
