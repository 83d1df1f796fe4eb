// The built-in functions, in the order in which the function library
// creates them and lists their names to the resolver registry.
//
// To add a function:
//   1. Write its class in the fn_*.cpp file of its family (or a new one,
//      listed in src/CMakeLists.txt under ql_functions): derive from
//      CTplEvaluatingFunction and implement Run for the usual frame
//      (evaluated arguments, count checked by the table), or from
//      CTplFunction and implement Execute for anything else.
//   2. Give it a factory beside the class and declare the factory in
//      function_table.h.
//   3. Append a row below: the exact name, the accepted argument counts and
//      the factory. Append, do not insert: the order is the order of the
//      names a resolver lists, which hosts see.
//   4. Add a table row for it to the tests of its family.
#include "functions/function_table.h"

namespace quenloft {

namespace {

constexpr ArgumentCount Exactly(int32_t n) { return {n, n, false}; }
constexpr ArgumentCount Between(int32_t min, int32_t max) { return {min, max, false}; }
constexpr ArgumentCount AtLeast(int32_t min) { return {min, ArgumentCount::kUnbounded, false}; }
constexpr ArgumentCount OddAtLeast(int32_t min) { return {min, ArgumentCount::kUnbounded, true}; }
constexpr ArgumentCount kAny = AtLeast(0);

constexpr FunctionEntry kFunctions[] = {
    {"AssignString", Between(2, 3), &MakeAssignString},  // condition, then [, else]
    {"CompareNumber", Exactly(3), &MakeCompareNumber},   // operator, a, b
    {"CompareString", Exactly(3), &MakeCompareString},   // operator, a, b
    {"Concat", kAny, &MakeConcat},                       // texts
    {"FileName", Between(1, 2), &MakeFileName},          // path [, folder kind]
    {"IsEmpty", Exactly(1), &MakeIsEmpty},               // text
    {"IsTrue", Exactly(1), &MakeIsTrue},                 // text
    {"LoadFromFile", Between(1, 2), &MakeLoadFromFile},  // path [, folder kind]
    {"MacroExist", AtLeast(1), &MakeMacroExist},         // raw statement texts
    {"MoveFile", Between(1, 2), &MakeMoveFile},          // source [, destination]
    {"Output", kAny, &MakeConcat},                       // texts
    {"Replace", OddAtLeast(3), &MakeReplace},            // text, find, replacement ...
    {"ReplaceMacroExpr", Exactly(1), &MakeReplaceMacroExpr},  // expression text
    {"ReplaceMacros", Exactly(1), &MakeReplaceMacros},        // text with %name%
    {"SaveToFile", Between(1, 2), &MakeSaveToFile},           // path [, folder kind]
    {"Transform", Exactly(2), &MakeTransform},                // XML, style sheet
    {"HtmlToText", Exactly(1), &MakeHtmlToText},              // HTML
    {"TextToHtml", Exactly(1), &MakeTextToHtml},              // text
    {"NameToColor", Exactly(1), &MakeNameToColor},            // colour name
    {"ColorToName", kAny, &MakeColorToName},                  // never runs
};

}  // namespace

std::span<const FunctionEntry> FunctionTable() { return kFunctions; }

}  // namespace quenloft
