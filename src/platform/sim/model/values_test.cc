// The object model: number conversions, equality, containers, ownership.
#include <cmath>
#include <limits>

#include "platform/objc.h"
#include "platform/sim/testing/desktop_fixture.h"

namespace sim {
namespace {

using namespace sim::testing;

TEST(Values, NumberConversionsAreExactOrRefused) {
  int64_t i = 0;
  double d = 0;
  cf::Ref big = cf::number_create_i64(INT64_MAX);
  EXPECT_TRUE(cf::number_get_i64(big.get(), &i));
  EXPECT_FALSE(cf::number_get_f64(big.get(), &d));  // 2^63 - 1 is not a double
  EXPECT_EQ(d, 9223372036854775808.0);
  cf::Ref exact = cf::number_create_i64(1 << 20);
  EXPECT_TRUE(cf::number_get_f64(exact.get(), &d));
  cf::Ref negative = cf::number_create_f64(-3.0);
  EXPECT_TRUE(cf::number_get_i64(negative.get(), &i));
  EXPECT_EQ(i, -3);
  cf::Ref fraction = cf::number_create_f64(-2.75);
  EXPECT_FALSE(cf::number_get_i64(fraction.get(), &i));
  EXPECT_EQ(i, -2);
  cf::Ref huge = cf::number_create_f64(1e19);
  EXPECT_FALSE(cf::number_get_i64(huge.get(), &i));
  cf::Ref nan = cf::number_create_f64(std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(cf::number_get_i64(nan.get(), &i));
  cf::Ref text = cf::string_create("3");
  EXPECT_FALSE(cf::number_get_i64(text.get(), &i));
}

TEST(Values, Equality) {
  cf::Ref one = cf::number_create_i64(1);
  cf::Ref one_f = cf::number_create_f64(1.0);
  cf::Ref half = cf::number_create_f64(1.5);
  EXPECT_TRUE(cf::equal(one.get(), one_f.get()));
  EXPECT_FALSE(cf::equal(one.get(), half.get()));
  cf::Ref a = cf::string_create("é");
  cf::Ref b = cf::string_create_utf16(u"é");
  EXPECT_TRUE(cf::equal(a.get(), b.get()));
  EXPECT_FALSE(cf::equal(a.get(), one.get()));
  EXPECT_FALSE(cf::equal(a.get(), nullptr));
  cf::TypeRef items1[] = {one.get(), a.get()};
  cf::TypeRef items2[] = {one_f.get(), b.get()};
  cf::Ref list1 = cf::array_create(items1);
  cf::Ref list2 = cf::array_create(items2);
  EXPECT_TRUE(cf::equal(list1.get(), list2.get()));
  cf::Ref r1 = ax::value_create_range({1, 2});
  cf::Ref r2 = ax::value_create_range({1, 2});
  cf::Ref r3 = ax::value_create_range({1, 3});
  EXPECT_TRUE(cf::equal(r1.get(), r2.get()));
  EXPECT_FALSE(cf::equal(r1.get(), r3.get()));
  EXPECT_FALSE(cf::string_create("\xc0\xaf"));  // overlong: not UTF-8
  EXPECT_FALSE(cf::string_create("\xed\xa0\x80"));  // a surrogate
}

TEST(Values, OwnershipAudit) {
  AuditScope scope;
  {
    cf::Ref s = cf::string_create("x");
    cf::TypeRef items[] = {s.get(), s.get()};
    cf::Ref list = cf::array_create(items);
    s.reset();  // the array still holds it
    EXPECT_EQ(cf::string_units(cf::array_get(list.get(), 1)), u"x");
    Audit now = audit();
    EXPECT_GE(now.live["string"], 1);
    EXPECT_GE(now.live["array"], 1);
    // Singletons are never counted and never die.
    cf::release(cf::null_value());
    cf::release(cf::boolean_value(true));
  }
  scope.expect_balanced();

  // A double release is counted and touches nothing.
  int64_t over = audit().over_releases;
  cf::Ref n = cf::number_create_i64(5);
  cf::TypeRef raw = n.get();
  cf::release(raw);
  n.leak();
  cf::release(raw);
  EXPECT_EQ(audit().over_releases, over + 1);
  // So is a release of null, which the real frameworks do not survive.
  cf::release(nullptr);
  objc::release(nullptr);
  EXPECT_EQ(audit().over_releases, over + 3);
}

}  // namespace
}  // namespace sim
