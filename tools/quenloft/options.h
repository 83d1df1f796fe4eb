// What the command line asked for, before anything is checked.
#ifndef QUENLOFT_TOOL_OPTIONS_H
#define QUENLOFT_TOOL_OPTIONS_H

#include <string>
#include <vector>

namespace quenloft_tool {

// Exit codes of every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // failed updates, unresolved macros (check, eval, --strict)
inline constexpr int kExitUsage = 2;   // bad arguments, missing skin

// Shared by build, check and eval.
struct CommonOptions {
  std::vector<std::string> sets;         // --set NAME=VALUE (system values)
  std::vector<std::string> value_files;  // --values FILE
  std::vector<std::string> vars;         // --var NAME=VALUE (global variables)
  std::vector<std::string> var_files;    // --vars FILE
  std::vector<std::string> modules;      // --module FILE
  bool quiet = false;
  bool verbose = false;
  bool timings = false;
  bool json = false;
  std::string color = "auto";  // --color: auto, always, never (build and check)
};

// Which files of the skin build and check take, and what runs before them.
struct SkinFileOptions {
  std::vector<std::string> exclude_globs;  // --exclude GLOB
  bool hidden = false;                     // --hidden: take ".name" files and folders too
  std::string prelude;                     // --prelude FILE
};

struct BuildOptions {
  CommonOptions common;
  std::string skin;    // empty: the stock skin
  std::string output;  // -o
  std::string root;    // --root; empty: the output folder
  std::vector<std::string> patch_globs;
  bool strict = false;
  bool sync = false;  // --sync: flush the output to disk before reporting
  bool follow_links = false;  // copy files that links in the skin lead to outside it
  SkinFileOptions files;
  bool dry_run = false;  // --dry-run: list what would be written, write nothing
  bool watch = false;    // --watch: rebuild changed files until Ctrl-C
  // Set by --watch for a rebuild: these skin files only (all when empty).
  std::vector<std::string> only;
};

struct CheckOptions {
  CommonOptions common;
  std::string skin;
  std::vector<std::string> patch_globs;
  bool follow_links = false;
  bool strict = false;  // warnings fail too
  SkinFileOptions files;
};

struct EvalOptions {
  CommonOptions common;
  std::string expression;
};

inline constexpr const char* kDefaultOutput = "quenloft-out";
// Held by a build in its output folder; removed when the build ends.
inline constexpr const char* kOutputLockName = ".quenloft-build.lock";

int RunBuild(const BuildOptions& options);
int RunCheck(const CheckOptions& options);
int RunEval(const EvalOptions& options);
// A build, then rebuilds of what changes in the skin until Ctrl-C.
int RunWatch(const BuildOptions& options);

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_OPTIONS_H
