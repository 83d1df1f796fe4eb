#include "language/nearest_names.h"

#include <algorithm>

namespace quenloft {

namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = Fold(c);
  return out;
}

// Edit distance with adjacent swaps (optimal string alignment), over
// three rolling rows; stops early once every cell of a row passes limit.
size_t Distance(std::string_view a, std::string_view b, size_t limit, std::vector<size_t>& rows) {
  const size_t n = b.size() + 1;
  rows.assign(3 * n, 0);
  size_t* before = rows.data();
  size_t* previous = before + n;
  size_t* current = previous + n;
  for (size_t j = 0; j < n; ++j) previous[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    size_t row_min = i;
    for (size_t j = 1; j < n; ++j) {
      const size_t cost = Fold(a[i - 1]) == Fold(b[j - 1]) ? 0 : 1;
      size_t d = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
      if (i > 1 && j > 1 && Fold(a[i - 1]) == Fold(b[j - 2]) && Fold(a[i - 2]) == Fold(b[j - 1])) {
        d = std::min(d, before[j - 2] + 1);
      }
      current[j] = d;
      row_min = std::min(row_min, d);
    }
    if (row_min > limit) return limit + 1;
    std::swap(before, previous);
    std::swap(previous, current);
  }
  return previous[n - 1];
}

}  // namespace

NearestNames::NearestNames(std::string_view wanted)
    : wanted_(Folded(wanted)),
      // Short names have few neighbours worth naming; longer ones may be
      // off by a third of their letters.
      limit_(wanted.size() <= 3 ? 1 : std::max<size_t>(2, wanted.size() / 3)) {}

void NearestNames::Consider(std::string_view candidate) {
  if (candidate.empty()) return;
  const size_t gap = candidate.size() > wanted_.size() ? candidate.size() - wanted_.size()
                                                       : wanted_.size() - candidate.size();
  if (gap > limit_) return;
  const size_t distance = Distance(wanted_, candidate, limit_, rows_);
  if (distance > limit_) return;
  if (std::any_of(near_.begin(), near_.end(), [&](const Near& n) { return n.name == candidate; }))
    return;
  near_.push_back({distance, std::string(candidate)});
}

std::vector<std::string> NearestNames::Take() {
  std::sort(near_.begin(), near_.end(), [](const Near& a, const Near& b) {
    return a.distance != b.distance ? a.distance < b.distance : a.name < b.name;
  });
  std::vector<std::string> names;
  for (size_t i = 0; i < near_.size() && i < kMaxNames; ++i) names.push_back(near_[i].name);
  near_.clear();
  return names;
}

std::string NearestNames::Hint() {
  const std::vector<std::string> names = Take();
  if (names.empty()) return {};
  std::string hint = "; did you mean ";
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) hint += i + 1 == names.size() ? " or " : ", ";
    hint += "'" + names[i] + "'";
  }
  return hint + "?";
}

}  // namespace quenloft
