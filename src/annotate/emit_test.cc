#include "annotate/emit.h"

#include <string>

#include <gtest/gtest.h>

#include "support/captured_stdout.h"

namespace {

TEST(AnnotateEmit, WritesTheValueAsOneLine) {
  json::Value v = {{"event", "pointer"}, {"x", 1.5}, {"y", -1200.0}, {"t", 1u}};
  support::CapturedStdout out;
  annotate::emit(v);
  EXPECT_EQ(out.take(), "{\"event\":\"pointer\",\"t\":1,\"x\":1.5,\"y\":-1200.0}\n");
}

}  // namespace
