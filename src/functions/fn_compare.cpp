// The yes-no functions: CompareNumber, CompareString, IsEmpty, IsTrue.
#include "functions/comparison.h"
#include "functions/function_table.h"

namespace quenloft {

namespace {

bool IsAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

// order < 0, 0 or > 0 as a sorts before, equal to or after b.
bool Ordered(std::string_view op, int order, bool* known) {
  *known = true;
  if (op == "<=") return order <= 0;
  if (op == "<") return order < 0;
  if (op == "==") return order == 0;
  if (op == ">=") return order >= 0;
  if (op == ">") return order > 0;
  if (op == "!=") return order != 0;
  *known = false;
  return false;
}

class CompareFunction final : public CTplEvaluatingFunction {
 public:
  CompareFunction(const FunctionEntry& entry, ITplMacroServices* services, Comparison kind)
      : CTplEvaluatingFunction(entry, services), kind_(kind) {}

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, TruthText(CompareValues(values[0], values[1], values[2], kind_)));
  }

 private:
  Comparison kind_;
};

class IsEmptyFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, TruthText(values[0].empty()));
  }
};

class IsTrueFunction final : public CTplEvaluatingFunction {
 public:
  using CTplEvaluatingFunction::CTplEvaluatingFunction;

 protected:
  int32_t Run(ITplMacroCall* call, std::vector<std::string>& values) override {
    return SetResultText(call, TruthText(IsTrueText(values[0])));
  }
};

}  // namespace

int32_t ParseLeadingInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsAsciiSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate the magnitude in 64 bits and stop growing past the 32-bit
  // range, so long digit runs cannot overflow.
  constexpr int64_t kLimit = int64_t{INT32_MAX} + 1;
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > kLimit) magnitude = kLimit;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value > INT32_MAX) return INT32_MAX;
  return static_cast<int32_t>(value);
}

bool CompareValues(std::string_view op, std::string_view a, std::string_view b,
                   Comparison kind) {
  bool known = false;
  if (kind == Comparison::kNumber) {
    const int32_t x = ParseLeadingInteger(a);
    const int32_t y = ParseLeadingInteger(b);
    return Ordered(op, x < y ? -1 : (x > y ? 1 : 0), &known);
  }
  // std::string_view compares bytes as unsigned values, like memcmp.
  const int order = a.compare(b);
  const bool result = Ordered(op, order, &known);
  if (known) return result;
  if (op == "substr") return a.find(b) != std::string_view::npos;
  if (op == "compnocase") return EqualNoCase(a, b);
  return false;
}

std::unique_ptr<CTplFunction> MakeCompareNumber(const FunctionEntry& entry,
                                                ITplMacroServices* services) {
  return std::make_unique<CompareFunction>(entry, services, Comparison::kNumber);
}

std::unique_ptr<CTplFunction> MakeCompareString(const FunctionEntry& entry,
                                                ITplMacroServices* services) {
  return std::make_unique<CompareFunction>(entry, services, Comparison::kText);
}

std::unique_ptr<CTplFunction> MakeIsEmpty(const FunctionEntry& entry,
                                          ITplMacroServices* services) {
  return std::make_unique<IsEmptyFunction>(entry, services);
}

std::unique_ptr<CTplFunction> MakeIsTrue(const FunctionEntry& entry, ITplMacroServices* services) {
  return std::make_unique<IsTrueFunction>(entry, services);
}

}  // namespace quenloft
