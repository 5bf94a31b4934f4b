#include "json/write.h"

#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

namespace json {
namespace {

std::string d(double v) {
  std::string out;
  write_double(v, out);
  return out;
}

TEST(WriteDouble, PlainNotationBetweenExponentsMinusFiveAndFifteen) {
  EXPECT_EQ(d(2.0), "2.0");
  EXPECT_EQ(d(0.5), "0.5");
  EXPECT_EQ(d(0.00001), "0.00001");
  EXPECT_EQ(d(1.5e-5), "0.000015");
  EXPECT_EQ(d(123.456), "123.456");
  EXPECT_EQ(d(1e15), "1000000000000000.0");
  EXPECT_EQ(d(-1234.5), "-1234.5");
  EXPECT_EQ(d(0.1 + 0.2), "0.30000000000000004");
}

TEST(WriteDouble, ScientificOutsideThatRange) {
  EXPECT_EQ(d(0.000001), "1e-6");
  EXPECT_EQ(d(2.5e-7), "2.5e-7");
  EXPECT_EQ(d(1e16), "1e+16");
  EXPECT_EQ(d(1.2345e20), "1.2345e+20");
  EXPECT_EQ(d(-9.5e-300), "-9.5e-300");
  EXPECT_EQ(d(std::numeric_limits<double>::max()), "1.7976931348623157e+308");
  EXPECT_EQ(d(std::numeric_limits<double>::denorm_min()), "5e-324");
}

TEST(WriteDouble, ZerosAndNonFinite) {
  EXPECT_EQ(d(0.0), "0.0");
  EXPECT_EQ(d(-0.0), "-0.0");
  EXPECT_EQ(d(std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(d(-std::numeric_limits<double>::infinity()), "null");
  EXPECT_EQ(d(std::nan("")), "null");
}

TEST(WriteDouble, EveryOutputReadsBackExactly) {
  for (double v : {1.0 / 3, 2.0 / 3e10, 6.02214076e23, 1e-5 * 7, 4.35e15,
                   9.999999999999999e15, 1e-7 + 1e-22}) {
    double back = std::stod(d(v));
    EXPECT_EQ(back, v) << d(v);
  }
}

TEST(Serialize, CompactSortedKeysAndNumberKinds) {
  Value v = Value::object();
  v["source_pid"] = int64_t{-3};
  v["source"] = "Finder";
  v["id"] = uint64_t{18446744073709551615u};
  v["event"] = "down";
  v["Z"] = Value::array({1.0, nullptr, true, false, Value::object(), Value::array()});
  EXPECT_EQ(serialize(v),
            "{\"Z\":[1.0,null,true,false,{},[]],\"event\":\"down\","
            "\"id\":18446744073709551615,\"source\":\"Finder\",\"source_pid\":-3}");
}

TEST(Serialize, IntegersAtTheirLimits) {
  Value v = Value::array({int64_t{INT64_MIN}, int64_t{INT64_MAX}, int64_t{0},
                          uint64_t{0}, int64_t{-10}, uint64_t{1000000}});
  EXPECT_EQ(serialize(v),
            "[-9223372036854775808,9223372036854775807,0,0,-10,1000000]");
}

TEST(Serialize, KeysSortByUnsignedBytes) {
  Value v = Value::object();
  v["\xc3\xa9"] = 1;  // é sorts after every ASCII key
  v["z"] = 2;
  v["A"] = 3;
  EXPECT_EQ(serialize(v), "{\"A\":3,\"z\":2,\"\xc3\xa9\":1}");
}

TEST(Serialize, StringEscapes) {
  EXPECT_EQ(serialize("a\nb\tc\"d\\e/f"), R"("a\nb\tc\"d\\e/f")");
  EXPECT_EQ(serialize(std::string("\x1f\x1b\b\f\r\x7f", 6)),
            "\"\\u001f\\u001b\\b\\f\\r\x7f\"");
  EXPECT_EQ(serialize(std::string("\0", 1)), "\"\\u0000\"");
  EXPECT_EQ(serialize("caf\xc3\xa9 \xf0\x9f\x98\x80"), "\"caf\xc3\xa9 \xf0\x9f\x98\x80\"");
}

TEST(Serialize, DeepNestingDoesNotRecurse) {
  Value v = Value::array();
  Value* inner = &v;
  for (int i = 0; i < 100000; ++i) {
    inner->push_back(Value::array());
    inner = &(*inner)[0];
  }
  std::string out = serialize(v);
  EXPECT_EQ(out.size(), 200002u);
  EXPECT_EQ(out.substr(0, 3), "[[[");
}

}  // namespace
}  // namespace json
