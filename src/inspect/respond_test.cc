#include "inspect/respond.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "inspect/unique.h"
#include "json/write.h"

namespace inspect {
namespace {
struct Colliding {
  int value;
  bool operator==(const Colliding&) const = default;
};
}  // namespace
}  // namespace inspect

template <>
struct std::hash<inspect::Colliding> {
  size_t operator()(const inspect::Colliding&) const { return 42; }
};

namespace inspect {
namespace {

// Lookups that record what they are asked and find what the test gives them.
struct Recorder {
  std::vector<uint64_t> windows_asked;
  std::vector<uint32_t> processes_asked;
  std::vector<std::string> files_asked;
  std::vector<Point> points_asked;
  int screens_asked = 0;
  std::map<uint64_t, json::Value> windows;
  std::vector<json::Value> other_windows;
  bool find_all = false;  // processes, files, points and the screen

  Lookups lookups() {
    auto found = [this](json::Value v) -> std::optional<json::Value> {
      if (!find_all) return std::nullopt;
      return v;
    };
    return Lookups{
        [this](uint64_t n) -> std::optional<json::Value> {
          windows_asked.push_back(n);
          auto it = windows.find(n);
          if (it == windows.end()) return std::nullopt;
          return it->second;
        },
        [this, found](uint32_t pid) {
          processes_asked.push_back(pid);
          return found({{"process", pid}});
        },
        [this, found](std::string_view path) {
          files_asked.emplace_back(path);
          return found({{"file", std::string(path)}});
        },
        [this, found](Point p) {
          points_asked.push_back(p);
          return found({p.x, p.y});
        },
        [this, found]() {
          ++screens_asked;
          return found("screen");
        },
        [this] { return other_windows; },
    };
  }
};

std::string text(const Response& r) {
  std::string line = response_line(r);
  EXPECT_EQ(line.back(), '\n');
  line.pop_back();
  return line;
}

TEST(Respond, NothingFoundGivesEmptyListsAndNulls) {
  Recorder r;
  Request request;
  request.pids = {1, 2};
  request.windows = {3};
  request.files = {"C:\\x"};
  request.screen = true;
  request.points = {{1, 2}, {3, 4}, {1, 2}};
  EXPECT_EQ(text(respond(request, r.lookups())),
            R"({"files":[],"points":[null,null,null],"processes":[],"screen":null,"windows":[]})");
  EXPECT_EQ(r.screens_asked, 1);
  EXPECT_EQ(r.points_asked, (std::vector<Point>{{1, 2}, {3, 4}, {1, 2}}));
}

TEST(Respond, EachWindowAndProcessIsAskedForOnceInOrder) {
  Recorder r;
  r.windows[5] = {{"number", 5}, {"pid", 3}, {"hosted_pid", 9}};
  r.windows[7] = {{"number", 7}, {"pid", 9}};
  r.other_windows = {{{"pid", 11}}, {{"pid", 1}}};
  Request request;
  request.windows = {5, 5, 6, 7};
  request.pids = {3, 1, 3};
  auto response = respond(request, r.lookups());
  EXPECT_EQ(r.windows_asked, (std::vector<uint64_t>{5, 6, 7}));
  // Requested ids first; those of the windows and the other windows after,
  // each at its first place.
  EXPECT_EQ(r.processes_asked, (std::vector<uint32_t>{3, 1, 9, 11}));
  EXPECT_EQ(text(response),
            R"({"files":[],"points":[],"processes":[],"screen":null,)"
            R"("windows":[{"hosted_pid":9,"number":5,"pid":3},{"number":7,"pid":9}]})");
}

TEST(Respond, FoundEntriesTakeTheirPlaces) {
  Recorder r;
  r.find_all = true;
  Request request;
  request.pids = {4};
  request.files = {"C:\\b", "C:\\a", "C:\\b", "C:\\nul", "rel"};
  request.points = {{-1, 2}};
  auto response = respond(request, r.lookups());
  EXPECT_EQ(r.files_asked, (std::vector<std::string>{"C:\\b", "C:\\a"}));
  EXPECT_EQ(r.screens_asked, 0);  // not requested
  EXPECT_EQ(text(response),
            R"({"files":[{"file":"C:\\b"},{"file":"C:\\a"}],"points":[[-1,2]],)"
            R"("processes":[{"process":4}],"screen":null,"windows":[]})");
  request.screen = true;
  EXPECT_EQ(respond(request, r.lookups()).screen, json::Value("screen"));
}

TEST(WindowPids, ValidMembersInOrder) {
  struct Case {
    const char* entry;
    std::vector<uint32_t> pids;
  };
  const Case cases[] = {
      {R"({"pid":4,"hosted_pid":5})", {4, 5}},
      {R"({"hosted_pid":5,"pid":4})", {4, 5}},
      {R"({"pid":4,"hosted_pid":4})", {4}},
      {R"({"pid":0})", {0}},
      {R"({"pid":4294967295})", {4294967295u}},
      {R"({"pid":4294967296,"hosted_pid":2})", {2}},
      {R"({"pid":"4","hosted_pid":2})", {2}},
      {R"({"pid":-4,"hosted_pid":2})", {2}},
      {R"({"pid":4.5,"hosted_pid":2})", {2}},
      {R"({"pid":4.0})", {}},
      {R"({"pid":null,"hosted_pid":null})", {}},
      {R"({})", {}},
      {R"([4])", {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(window_pids(json::Value::parse(c.entry)), c.pids) << c.entry;
  // Entries built in code store small non-negative numbers as signed.
  EXPECT_EQ(window_pids({{"pid", int64_t{0}}, {"hosted_pid", int64_t{8}}}),
            (std::vector<uint32_t>{0, 8}));
}

TEST(Unique, KeepsFirstOccurrences) {
  EXPECT_EQ(unique(std::vector<int>{3, 1, 3, 2, 1}), (std::vector<int>{3, 1, 2}));
  // Enough values to make the table grow several times, each repeated.
  std::vector<uint64_t> many;
  for (uint64_t i = 0; i < 5000; ++i) many.push_back(i << 20);
  for (uint64_t i = 0; i < 5000; ++i) many.push_back(i << 20);
  auto once = unique(many);
  ASSERT_EQ(once.size(), 5000u);
  EXPECT_TRUE(std::equal(once.begin(), once.end(), many.begin()));
  // Values whose hashes are all equal still stay apart.
  std::vector<Colliding> colliding;
  for (int i = 0; i < 100; ++i) colliding.push_back({i % 40});
  auto distinct = unique(colliding);
  ASSERT_EQ(distinct.size(), 40u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(distinct[static_cast<size_t>(i)].value, i);
  EXPECT_EQ(unique(std::vector<std::string>{"a", "A", "a", std::string("a\0", 2)}),
            (std::vector<std::string>{"a", "A", std::string("a\0", 2)}));
  EXPECT_TRUE(unique(std::vector<int>{}).empty());
}

}  // namespace
}  // namespace inspect
