// The table of built-in functions: name, accepted argument counts and the
// factory that makes the function object. function_table.cpp holds the
// rows and says how to add one.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H
#define QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H

#include <memory>
#include <span>
#include <string_view>

#include "functions/function.h"

namespace quenloft {

using FunctionFactory = std::unique_ptr<CTplFunction> (*)(const FunctionEntry& entry,
                                                         ITplMacroServices* services);

struct FunctionEntry {
  std::string_view name;  // exact, case-sensitive
  ArgumentCount counts;
  FunctionFactory make;
};

// The rows in the order the function library creates and lists them.
std::span<const FunctionEntry> FunctionTable();

// Factories, defined beside their classes in the fn_*.cpp files.
std::unique_ptr<CTplFunction> MakeAssignString(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeCompareNumber(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeCompareString(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeConcat(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeFileName(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeIsEmpty(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeIsTrue(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeLoadFromFile(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeMacroExist(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeMoveFile(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeReplace(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeReplaceMacroExpr(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeReplaceMacros(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeSaveToFile(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeTransform(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeHtmlToText(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeTextToHtml(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeNameToColor(const FunctionEntry&, ITplMacroServices*);
std::unique_ptr<CTplFunction> MakeColorToName(const FunctionEntry&, ITplMacroServices*);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H
