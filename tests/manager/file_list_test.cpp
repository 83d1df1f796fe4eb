// FileList on its own, against a plain model: a list of (name, key) pairs
// and a map of the keys held. Holders are the names of file sources.
#include "manager/file_list.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace quenloft {
namespace {

using List = FileList<std::string>;

// The entries under key, by following the chain the list keeps.
std::vector<size_t> Chain(const List& list, const std::string& key) {
  std::vector<size_t> found;
  for (size_t i = list.FirstWithKey(key); i != List::kNone; i = list.NextWithKey(i)) {
    found.push_back(i);
  }
  return found;
}

TEST(FileList, FlagsReleaseAllAndClear) {
  List list(2, 4);
  list.Add("Sub\\Page.HTM", "sub\\page.htm", "A");
  list.Add("b.htm", "b.htm", "B");
  list.Add("c.htm", "c.htm", "A");
  EXPECT_EQ(list.HolderOf("Sub\\Page.HTM"), nullptr) << "keys are exact";
  list.MarkDone(1);
  EXPECT_EQ((std::vector<bool>{list.done(0), list.done(1), list.done(2)}),
            (std::vector<bool>{false, true, false}));
  std::vector<std::string> released;
  list.ReleaseAll([](const std::string& holder) { return holder == "A"; }, &released);
  EXPECT_EQ(released, (std::vector<std::string>{"A", "A"}));
  EXPECT_EQ((std::vector<bool>{list.Holds("sub\\page.htm"), list.Holds("b.htm")}),
            (std::vector<bool>{false, true}));
  EXPECT_EQ(list.name(0), "Sub\\Page.HTM") << "names stay listed";
  // A host may empty the update list while a pass is at one of its entries.
  list.Clear();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_TRUE(list.done(1));
  list.MarkDone(1);
  EXPECT_EQ(Chain(list, "b.htm"), std::vector<size_t>{});
}

// Random registrations and removals over a few keys, far past the room
// made at first: the chains and the holders always agree with the model.
TEST(FileList, AgreesWithAPlainModel) {
  const std::vector<std::string> keys = {"a", "b", "c", "d"};
  List list(1, 1);
  std::vector<std::pair<std::string, std::string>> entries;  // name, key
  std::map<std::string, std::string> held;                   // key -> holder
  std::mt19937 random(18);
  for (int step = 0; step < 2000; ++step) {
    const std::string& key = keys[random() % keys.size()];
    const std::string holder = std::to_string(random() % 3);
    if (random() % 3 != 0) {
      if (held.count(key) != 0) continue;
      const std::string name = key + std::to_string(step);
      list.Add(name, key, holder);
      entries.emplace_back(name, key);
      held[key] = holder;
    } else {
      const std::string got = list.Release(key, [&](const std::string& h) { return h == holder; });
      const bool matches = held.count(key) != 0 && held[key] == holder;
      EXPECT_EQ(got, matches ? holder : "");
      if (matches) held.erase(key);
    }
  }
  ASSERT_EQ(list.size(), entries.size());
  for (const std::string& key : keys) {
    std::vector<size_t> expected;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].second == key) expected.push_back(i);
    }
    EXPECT_EQ(Chain(list, key), expected) << key;
    EXPECT_EQ(list.Holds(key), held.count(key) != 0) << key;
    for (size_t i : expected) EXPECT_EQ(list.name(i), entries[i].first);
  }
}

}  // namespace
}  // namespace quenloft
