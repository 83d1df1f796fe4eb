// What hosts see of the library beyond its interfaces: the messages it
// writes to ITplHostCallback::Output, and where macros stand in a template
// (the marker delimiters and the file types that accept them). The library
// and the command-line tool read these from here; a host that parses the
// messages or picks the files to patch may do the same.
#ifndef QUENLOFT_CONVENTIONS_H
#define QUENLOFT_CONVENTIONS_H

#include <stddef.h>
#include <stdint.h>

#include <array>
#include <string_view>

namespace quenloft {

// ---- Messages (printf formats; lines end with "\r\n") -----------------------

// A statement that no resolver answered, outside a template file and in one.
inline constexpr char kUnresolvedMacroMessage[] = "Template Error: can not resolve macro: %s \r\n";
inline constexpr char kUnresolvedMacroInFileMessage[] =
    "Template Error: can not resolve macro: %s in %s\r\n";
// A destination of the update pass that could not be read or written; the
// path is relative to the result folder.
inline constexpr char kUpdateFailedMessage[] = "\r\nError: Fail to update Template file %s\r\n";

// How each message begins, for hosts that tell them apart.
inline constexpr std::string_view kUnresolvedMacroPrefix = "Template Error: can not resolve macro: ";
inline constexpr std::string_view kUpdateFailedPrefix = "\r\nError: Fail to update Template file ";

// ---- Markers ---------------------------------------------------------------

// File types; each accepts the delimiter rows of its own type and of
// MarkerStyleAny.
enum MarkerStyle : int32_t {
  MarkerStyleAny = 0,     // every file: "%%%...%%%" only
  MarkerStyleMarkup = 1,  // also "<!--%...%-->"
  MarkerStyleScript = 2,  // also "/*%...%*/"
  MarkerStyleIni = 3,     // also ";%...%;"
};

struct MarkerDelimiter {
  std::string_view opening;
  std::string_view closing;
  MarkerStyle style;  // the file type the row applies to (Any: all)
};

// Rows are tried in this order.
inline constexpr std::array<MarkerDelimiter, 4> kMarkerDelimiters = {{
    {"%%%", "%%%", MarkerStyleAny},
    {"<!--%", "%-->", MarkerStyleMarkup},
    {"/*%", "%*/", MarkerStyleScript},
    {";%", "%;", MarkerStyleIni},
}};

struct FileTypeExtension {
  std::string_view extension;  // lower case, dot included
  MarkerStyle style;
};

// Compared in this order; any other extension is MarkerStyleAny. These are
// the files a host normally patches.
inline constexpr std::array<FileTypeExtension, 12> kFileTypeExtensions = {{
    {".htm", MarkerStyleMarkup},
    {".html", MarkerStyleMarkup},
    {".htx", MarkerStyleMarkup},
    {".hhc", MarkerStyleMarkup},
    {".hhk", MarkerStyleMarkup},
    {".xml", MarkerStyleMarkup},
    {".xsl", MarkerStyleMarkup},
    {".js", MarkerStyleScript},
    {".css", MarkerStyleScript},
    {".ini", MarkerStyleIni},
    {".hhs", MarkerStyleIni},
    {".res", MarkerStyleIni},
}};

}  // namespace quenloft

#endif  // QUENLOFT_CONVENTIONS_H
