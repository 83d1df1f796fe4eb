#include "manager/work_bounds.h"

#include <algorithm>
#include <charconv>

#include "frame/format_text.h"
#include "quenloft/conventions.h"

namespace quenloft {

namespace {

// The positive integer a system value holds, or fallback: a value that is
// missing, not all decimal digits, zero or out of range keeps the default.
template <class Number>
Number PositiveValue(const SystemValueMap& values, const char* name, Number fallback) {
  const auto found = values.find(name);
  if (found == values.end()) return fallback;
  const std::string& text = found->second;
  Number number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || number <= 0) return fallback;
  return number;
}

}  // namespace

void WorkBounds::Tell(const std::string& text, ITplHostCallback* host) {
  if (host == nullptr || std::find(told_.begin(), told_.end(), text) != told_.end()) return;
  told_.push_back(text);
  host->Output(text.c_str());
}

void WorkBounds::ReadLimits(const SystemValueMap& values) {
  const WorkLimits defaults;
  limits_.max_steps = PositiveValue(values, kEvaluationLimitValue, defaults.max_steps);
  limits_.max_value_size = PositiveValue(values, kValueSizeLimitValue, defaults.max_value_size);
  limits_.transform.max_depth =
      PositiveValue(values, kTransformDepthLimitValue, defaults.transform.max_depth);
  limits_.transform.time_limit_ms =
      PositiveValue(values, kTransformTimeLimitValue, defaults.transform.time_limit_ms);
}

bool WorkBounds::Refuse(Reason reason, ITplHostCallback* host) {
  refused_ = reason;
  if (reason == Reason::kBudget) {
    Tell(FormatText(kEvaluationLimitMessage, std::to_string(limits_.max_steps)), host);
  } else {
    Tell(kStopRequestedMessage, host);
  }
  return false;
}

}  // namespace quenloft
