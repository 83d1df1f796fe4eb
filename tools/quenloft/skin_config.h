// A skin's own defaults, in quenloft.ini at its root:
//   [values]   NAME=VALUE  system values ("System." added to a NAME without it)
//   [vars]     NAME=VALUE  global ("Global-Manager") variables
//   [patch]    GLOB        files also patched, one glob a line
//   [exclude]  GLOB        files left out, one glob a line
//   [prelude]  STATEMENTS  a marker's text a line, evaluated before the first file
// Blanks around names and values are dropped. Blank lines and lines
// starting with "#" or ";" are skipped. The command
// line adds to these and, for values and variables, overrides them.
#ifndef QUENLOFT_TOOL_SKIN_CONFIG_H
#define QUENLOFT_TOOL_SKIN_CONFIG_H

#include <string>
#include <vector>

#include "options.h"
#include "session.h"
#include "settings.h"
#include "skin_filter.h"

namespace quenloft_tool {

struct SkinConfig {
  std::vector<NamedValue> values;
  std::vector<NamedValue> variables;
  std::vector<std::string> patch_globs;
  std::vector<std::string> exclude_globs;
  std::vector<std::string> prelude;
  std::vector<std::string> warnings;  // "FILE:LINE: ...": unknown sections
};

// False with *error ("FILE:LINE: ...") on a malformed line.
bool ParseSkinConfig(const std::string& content, const std::string& file_name,
                     SkinConfig* config, std::string* error);

// Reads SKIN/quenloft.ini into *config; true with nothing read when there
// is none. False with *error when it cannot be read or is malformed.
bool ReadSkinConfig(const std::string& skin, SkinConfig* config, std::string* error);

// What build and check take from the skin's file and the command line
// together.
struct SkinSetup {
  SessionValues values;
  std::vector<std::string> patch_globs;
  SkinFilter filter;
  std::vector<std::string> prelude;
};

// Reads SKIN/quenloft.ini when there is one (its warnings go to stderr),
// the --prelude file and the shared options. False with *error on the
// first bad one.
bool PrepareSkin(const std::string& skin, const CommonOptions& common,
                 const std::vector<std::string>& patch_globs, const SkinFileOptions& files,
                 SkinSetup* setup, std::string* error);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SKIN_CONFIG_H
