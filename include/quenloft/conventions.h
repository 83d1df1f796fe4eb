// What hosts see of the library beyond its interfaces: the messages it
// writes to ITplHostCallback::Output, the system values it reads itself
// (folders the templates may use, limits of their work), and where macros
// stand in a template (the marker delimiters and the file types that
// accept them). The library and the command-line tool read these from
// here; a host that parses the messages or picks the files to patch may do
// the same.
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

// A template file whose destination (the result folder and its name)
// leads outside the result folder by its real path, through a link in the
// output or a name that climbs out: it is neither copied nor updated. The
// destination as formed.
inline constexpr char kDestinationRefusedMessage[] =
    "\r\nError: Template file outside the result folder: %s\r\n";

// Why statements failed beyond an unknown name. Each is told at most once
// per top-level statement (a marker's statement, or a text a host
// resolves), before the statements it made fail are reported as
// unresolved.
// A file function's path outside the folders it may read or write, or a
// relative path with no folder to complete it; the function fails as for
// a missing file. The path as the function formed it.
inline constexpr char kFileAccessRefusedMessage[] =
    "Template Error: file access refused outside the allowed folders: %s\r\n";
// The statement used up its evaluations (the evaluation limit).
inline constexpr char kEvaluationLimitMessage[] =
    "Template Error: evaluation stopped after %s steps in one statement\r\n";
// The host asked the library to stop (ITplHostControl::ShouldStop).
inline constexpr char kStopRequestedMessage[] =
    "Template Error: evaluation stopped at the host's request\r\n";
// A function would have made or loaded a value larger than the value size
// limit, in bytes.
inline constexpr char kValueTooLargeMessage[] =
    "Template Error: value larger than %s bytes refused\r\n";
// Transform passed its depth limit (nested templates) or its time limit
// (milliseconds).
inline constexpr char kTransformTooDeepMessage[] =
    "Template Error: Transform stopped: templates nested deeper than %s\r\n";
inline constexpr char kTransformTooLongMessage[] =
    "Template Error: Transform stopped after %s ms\r\n";

// How each message begins, for hosts that tell them apart. Every message
// about a template's statements begins with kTemplateErrorPrefix.
inline constexpr std::string_view kTemplateErrorPrefix = "Template Error: ";
inline constexpr std::string_view kUnresolvedMacroPrefix = "Template Error: can not resolve macro: ";
inline constexpr std::string_view kUpdateFailedPrefix = "\r\nError: Fail to update Template file ";
inline constexpr std::string_view kDestinationRefusedPrefix =
    "\r\nError: Template file outside the result folder: ";

// ---- Diagnostic codes (TplDiagnostic::code; see docs/host-guide.md) --------

inline constexpr char kUnknownNameCode[] = "unknown-name";          // no resolver has the name
inline constexpr char kUnsetVariableCode[] = "unset-variable";      // a $ or $$ name read unset
inline constexpr char kUnquotedLiteralCode[] = "unquoted-literal";  // a number without quotes
inline constexpr char kArgumentCountCode[] = "argument-count";      // a count the function refuses
inline constexpr char kUnbalancedQuoteCode[] = "unbalanced-quote";
inline constexpr char kUnbalancedParenthesisCode[] = "unbalanced-parenthesis";
inline constexpr char kNestedCallCode[] = "nested-call";  // a call with commas as an argument
inline constexpr char kUnknownSystemKeyCode[] = "unknown-system-key";  // System.X not set
inline constexpr char kUnknownColorCode[] = "unknown-color";           // NameToColor
inline constexpr char kFileNotFoundCode[] = "file-not-found";          // LoadFromFile
inline constexpr char kTransformFailedCode[] = "transform-failed";    // Transform
inline constexpr char kRefusedCode[] = "refused";  // a file or a value size the library refused
inline constexpr char kNestingTooDeepCode[] = "nesting-too-deep";     // deeper than 64 levels
inline constexpr char kEvaluationLimitCode[] = "evaluation-limit";    // System.EvaluationLimit
inline constexpr char kStoppedCode[] = "stopped";                     // ITplHostControl
inline constexpr char kNotResolvedCode[] = "not-resolved";  // a resolver declined, saying nothing

// ---- System values the library reads itself -------------------------------

// Folders the file functions of templates may use besides the source
// folder (read), the result and root folders (read and write), the
// manager's temporary folder (read and write) and the extension folder
// (read): full paths, separated by kFolderListSeparator.
inline constexpr char kReadFoldersValue[] = "System.ReadFolders";    // read only
inline constexpr char kWriteFoldersValue[] = "System.WriteFolders";  // read and write
inline constexpr char kFolderListSeparator = ';';

// Limits of the work of templates: a positive decimal integer replaces
// the default; any other value keeps it.
inline constexpr char kEvaluationLimitValue[] = "System.EvaluationLimit";  // per statement
inline constexpr char kValueSizeLimitValue[] = "System.ValueSizeLimit";    // bytes
inline constexpr char kTransformDepthLimitValue[] = "System.TransformDepthLimit";  // templates
inline constexpr char kTransformTimeLimitValue[] = "System.TransformTimeLimit";  // milliseconds
inline constexpr int64_t kDefaultEvaluationLimit = 100000;
inline constexpr int64_t kDefaultValueSizeLimit = int64_t{16} << 20;
inline constexpr int32_t kDefaultTransformDepthLimit = 1000;
inline constexpr int32_t kDefaultTransformTimeLimit = 2000;

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
