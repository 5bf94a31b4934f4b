#include "inspect/device_name.h"

#include <gtest/gtest.h>

namespace inspect {
namespace {

TEST(NamesDevice, Verdicts) {
  const char* reserved[] = {
      "C:\\dir\\con", "C:/dir/Aux.txt", "C:\\dir\\nul.tar.gz", "C:\\dir\\con:stream",
      "C:\\dir\\prn  .txt", "C:\\dir\\CONOUT$", "C:\\dir\\conin$", "C:\\dir\\COM1",
      "C:\\dir\\com0.log", "C:\\dir\\lpt\u00B2", "C:\\dir\\COM\u00B9", "C:\\dir\\lpt\u00B3 ",
      "con", "x/NUL", "C:\\dir/aux", "\\\\?\\C:\\prn", "C:\\dir\\con.",
  };
  const char* plain[] = {
      "C:\\dir\\COM10", "C:\\dir\\LPT1x", "C:\\dir\\COM", "C:\\dir\\COM\u2074",
      "C:\\dir\\console", "C:\\dir\\ con", "C:\\dir\\", "", "C:\\dir\\con\t",
      "C:\\dir\\con\u00A0", "C:\\dir\\con\\x", "C:\\dir\\COM\u0661",  // Arabic-Indic one
      "C:\\dir\\COM\u00BD", "C:\\dir\\CO", "C:\\dir\\c\u00F6n", "C:\\dir\\.con",
      "C:\\dir\\conouts", "C:\\dir\\conouts\u0131",  // longer than any reserved name
  };
  for (const char* path : reserved) EXPECT_TRUE(names_device(path)) << path;
  for (const char* path : plain) EXPECT_FALSE(names_device(path)) << path;
}

TEST(NamesDevice, CaseIsFoldedByUnicodeUpperCasing) {
  // Dotless i upper-cases to I: a name an ASCII-only comparison would miss.
  EXPECT_TRUE(names_device("C:\\d\\con\u0131n$"));
  // Full-width letters stay full-width.
  EXPECT_FALSE(names_device("C:\\d\\\uFF43\uFF4F\uFF4E"));
}

}  // namespace
}  // namespace inspect
