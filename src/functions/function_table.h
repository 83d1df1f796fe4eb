// The table of built-in functions. function_table.cpp holds the rows and
// the functions, and says how to add one.
#ifndef QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H
#define QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H

#include <span>
#include <string_view>

#include "functions/function.h"

namespace quenloft {

// The rows in the order in which the function library lists their names.
std::span<const CTplFunction> FunctionTable();

// The row named exactly name (with case); null when there is none.
const CTplFunction* FindFunction(std::string_view name);

}  // namespace quenloft

#endif  // QUENLOFT_FUNCTIONS_FUNCTION_TABLE_H
