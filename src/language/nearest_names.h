// The names nearest to a misspelt one, for "did you mean" hints: a name
// equal but for letter case comes first, then names within a small edit
// distance (letters folded; a swap of two neighbours counts one edit).
#ifndef QUENLOFT_LANGUAGE_NEAREST_NAMES_H
#define QUENLOFT_LANGUAGE_NEAREST_NAMES_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quenloft {

class NearestNames {
 public:
  static constexpr size_t kMaxNames = 3;

  explicit NearestNames(std::string_view wanted);

  // Weighs one known name; the caller walks its own collection.
  void Consider(std::string_view candidate);
  // The nearest names, closest first (ties by name), at most kMaxNames.
  std::vector<std::string> Take();
  // "; did you mean 'A', 'B' or 'C'?" with each name quoted, or "" when
  // none is near.
  std::string Hint();

 private:
  struct Near {
    size_t distance;
    std::string name;
  };
  std::string wanted_;  // letters folded
  size_t limit_;        // the largest distance that still suggests
  std::vector<Near> near_;
  std::vector<size_t> rows_;  // scratch for the distance, reused
};

}  // namespace quenloft

#endif  // QUENLOFT_LANGUAGE_NEAREST_NAMES_H
