#include "patching/escapes.h"

#include <gtest/gtest.h>

#include <string>

namespace quenloft {
namespace {

// What the removal does to whole texts is tabled through expressions in
// expression_test; the range form is this helper's own.
TEST(RemoveEscapes, RangeFormIncludesBothBoundsAndReadsNothingPast) {
  const char* text = "[a\\%b]";
  EXPECT_EQ(RemoveEscapes(text + 1, text + 4), "a%b");
  EXPECT_EQ(RemoveEscapes(text + 1, text + 1), "a");
  EXPECT_EQ(RemoveEscapes(text + 2, text + 1), "");
  EXPECT_EQ(RemoveEscapes(nullptr, text), "");
  EXPECT_EQ(RemoveEscapes(text, nullptr), "");
  EXPECT_EQ(RemoveEscapes(static_cast<const char*>(nullptr)), "");
  // The byte after the range would complete a pair, but lies outside it.
  const char* pair = "ab\\%";
  EXPECT_EQ(RemoveEscapes(pair, pair + 2), "ab\\");
}

}  // namespace
}  // namespace quenloft
