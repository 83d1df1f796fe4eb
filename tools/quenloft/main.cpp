// quenloft: builds, checks and evaluates help skins with libquenloft.
// Only the command line lives here; each command has a file of its own.
#include <CLI/CLI.hpp>

#include <cstdio>

#include "interrupt.h"
#include "options.h"
#include "system_calls.h"

namespace quenloft_tool {
namespace {

constexpr const char* kOverview =
    R"TXT(quenloft: the template step of help output, from the command line.

A skin is a folder of HTML, script, style-sheet, XML, INI and table-of-contents
files. `quenloft build` copies it into an output folder and replaces the macro
markers in its text files with the values of the statements inside them:
  <!--%...%-->  in .htm .html .htx .hhc .hhk .xml .xsl
  /*%...%*/     in .js .css
  ;%...%;       in .ini .hhs .res
  %%%...%%%     in every file
See docs/template-language.md for the statements and built-in functions.)TXT";

constexpr const char* kFooter = R"TXT(
Exit codes: 0 success; 1 failures (a file not updated, unresolved macros
or warnings under --strict, check finding an error, eval an unresolved
macro, an output folder that cannot be written or is locked by another
build); 2 usage errors (bad arguments, missing skin, an output folder inside
or around the skin, a values file that is too large or not a file, a module
that does not load); 130 stopped by Ctrl-C.)TXT";

constexpr const char* kBuildHelp = R"TXT(Copy SKIN into the output folder and patch its text files.

SKIN defaults to the stock skin installed beside the library
(<libdir>/Pelion5Ext/template_skin/). The tool sets three system values,
each an absolute folder ending in "/":
  System.SourceFolderName  the skin folder (read)
  System.ResultFolderName  the output folder (written)
  System.RootFolderName    the root of the help project's output: the output
                           folder, or --root when the skin's output is one
                           part of a larger project
Files taken: every file of the skin but hidden ones (a name starting with
"." at any level, unless --hidden), those matching an --exclude glob and
quenloft.ini. That file, at the skin's root, holds the skin's defaults:
[values] and [vars] NAME=VALUE lines, [patch] and [exclude] globs, and
[prelude] statements (one marker's text a line), evaluated before the first
file so that the "$$" globals they set reach every file; --prelude FILE adds
more. The command line adds to the file's lists and overrides its values.
Files patched: every file whose extension has a marker style (.htm .html
.htx .hhc .hhk .xml .xsl .js .css .ini .hhs .res) and every file matching a
--patch glob (a glob without "/" matches file names in any folder). Other
files are copied byte for byte. Existing files in the output folder are
overwritten; other files there are left alone, except the hidden temporary
files (".NAME.quenloft-tmp-XXXXXXXX") that a killed build left behind.
A file that cannot be written is reported and counted as a failure.

Refused, to keep a skin from elsewhere in its place: an output folder inside
the skin or containing it (compared by real path, links resolved and "\"
taken as "/"), and an output folder another build is writing to (it holds
the lock file ".quenloft-build.lock" there until it ends). Links in the skin
to files outside it are skipped with a warning unless --follow-links is
given; links to folders are not followed.

Progress: a bar on a terminal, otherwise a line of dots (one per percent).
Unresolved macros are reported and left in the output as written. Where
the library tells why, the report names the skin's file and line instead:
  FILE:LINE:COLUMN: error: REASON
    the line of the file
    ^ under the spot
(warnings alike), FILE being the skin folder as given plus the file's name
in it; --json lists them under "diagnostics".
Ctrl-C asks the library to stop evaluating and stops between two files;
a second Ctrl-C ends the tool at once. Either way it exits 130 and every
file written is complete.

--dry-run prints what the build would write and writes nothing, not even
the output folder. --watch builds, then watches the skin and rebuilds what
changes: a changed file alone when it neither sets nor reads "$$" globals
nor calls a file function, otherwise, and when quenloft.ini, the prelude
or an excluded file changes, the whole skin. Removed files stay in the
output. Ctrl-C while it waits ends it with the exit code of the last build;
during a build, with 130.)TXT";

constexpr const char* kCheckHelp = R"TXT(Patch every patchable file of SKIN in memory; list the
macros that nothing resolves and the mistakes found in their statements.

Each problem is printed on stdout as compilers do,
  FILE:LINE:COLUMN: error|warning: REASON
then the line of the file and a caret under the spot (LINE and COLUMN are 0
when the macro text could not be located). FILE is the skin folder as
given plus the file's name in it. Besides what the library reports (its
codes are listed in docs/host-guide.md), check finds by itself:
  unclosed-marker         a marker opening whose closing is missing before
                          the next opening (it runs on into that marker)
  unbalanced-quote        a quote that is never closed
  unbalanced-parenthesis  a "(" never closed, a ")" that closes nothing
  nested-call             a call whose commas split the call around it
                          (calls do not nest: set a variable first)
  unknown-system-key      System.X that neither the tool nor --set/--values
                          sets (it reads as its own name)
  read-before-set         a "$$" variable read in a file patched (in name
                          order) before the file that sets it
  unresolved              a macro nothing resolves that the library gave no
                          reason for, with the nearest known name when its
                          own looks mistyped
An unknown colour, a file not found and a failed Transform, which a build
only warns about (a value stands in for the failed one), are errors here.
Nothing outside a private temporary folder is
written: the skin is copied there (links leading outside it skipped, as by
build), the copy serves as System.SourceFolderName, System.ResultFolderName
and System.RootFolderName, and the folder is removed afterwards. Exit 1
when anything is reported as an error (with --strict, as a warning too).
The files, quenloft.ini and the prelude are taken as by build; excluded
files are copied for the file functions but not checked, and problems of
the prelude are shown as "prelude:0:".
--json prints {"files_checked", "unresolved", "diagnostics"} instead.)TXT";

constexpr const char* kEvalHelp = R"TXT(Evaluate EXPR, the text of one marker, and print its value.

EXPR may hold several statements separated by ";", e.g.
  quenloft eval "x = 'World'; Concat('Hello, ', x)"
System.SourceFolderName is the stock skin (or the current folder when it is
missing), read only; System.ResultFolderName and System.RootFolderName are
a private temporary folder, removed afterwards, so nothing else is written.
Exit 1 when a statement is not resolved (the library's messages go to
stderr); expressions shorter than 5 bytes never evaluate.)TXT";

constexpr const char* kFollowLinksHelp =
    "Also take the files that links in the skin lead to outside it (skipped with a "
    "warning by default)";

// The options of the commands that report diagnostics.
void AddReportOptions(CLI::App* command, CommonOptions* options) {
  command->add_option("--color", options->color,
                      "Colour the diagnostics: auto (on a terminal, unless NO_COLOR is set), "
                      "always or never")
      ->type_name("WHEN")
      ->check(CLI::IsMember({"auto", "always", "never"}));
}

void AddCommonOptions(CLI::App* command, CommonOptions* options) {
  command->add_option("--set", options->sets,
                      "Store a system value NAME=VALUE (\"System.\" is added to a NAME "
                      "without it); repeatable")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  command->add_option("--values", options->value_files,
                      "Read system values from FILE (at most 16 MB): NAME=VALUE lines, # comments; "
                      "repeatable")
      ->type_name("FILE")
      ->allow_extra_args(false);
  command->add_option("--var", options->vars,
                      "Set the global (\"Global-Manager\") variable NAME to VALUE; repeatable")
      ->type_name("NAME=VALUE")
      ->allow_extra_args(false);
  command->add_option("--vars", options->var_files,
                      "Read global variables from FILE (at most 16 MB): NAME=VALUE or "
                      "NAME<TAB>VALUE lines, # comments; repeatable")
      ->type_name("FILE")
      ->allow_extra_args(false);
  command->add_option("--module", options->modules,
                      "Load the resolver module FILE from the library's folder "
                      "(CreateTemplateResolversInstance); repeatable")
      ->type_name("FILE")
      ->allow_extra_args(false);
  command->add_flag("-q,--quiet", options->quiet, "No progress and no summary; errors only");
  command->add_flag("--timings", options->timings,
                    "Print the library's timing lines and its environment line at the end");
  command->add_flag("--json", options->json, "Print the result as one JSON object on stdout");
}

void AddSkinFileOptions(CLI::App* command, SkinFileOptions* options) {
  command->add_option("--exclude", options->exclude_globs,
                      "Leave out files matching GLOB (without \"/\": a file or folder name at "
                      "any level); repeatable")
      ->type_name("GLOB")
      ->allow_extra_args(false);
  command->add_flag("--hidden", options->hidden,
                    "Also take hidden files and folders (names starting with \".\"), which are "
                    "left out by default");
  command->add_option("--prelude", options->prelude,
                      "Evaluate the statements of FILE (one marker's text a line, # comments) "
                      "before the first file, after the skin's own [prelude]")
      ->type_name("FILE");
}

}  // namespace
}  // namespace quenloft_tool

int main(int argc, char** argv) {
  using namespace quenloft_tool;
  CLI::App app(kOverview, "quenloft");
  app.footer(kFooter);
  app.require_subcommand(1);
  app.set_version_flag("--version", "quenloft " QUENLOFT_VERSION);

  BuildOptions build;
  CLI::App* build_command =
      app.add_subcommand("build", "Copy a skin into an output folder and patch its text files");
  build_command->add_option("SKIN", build.skin, "Skin folder (default: the stock skin)");
  build_command->add_option("-o,--output", build.output,
                            std::string("Output folder (default: ./") + kDefaultOutput + ")")
      ->type_name("OUT");
  build_command->add_option("--root", build.root,
                            "System.RootFolderName (default: the output folder)")
      ->type_name("DIR");
  build_command->add_option("--patch", build.patch_globs,
                            "Also patch files matching GLOB; repeatable")
      ->type_name("GLOB")
      ->allow_extra_args(false);
  build_command->add_flag("--strict", build.strict,
                          "Exit 1 when any macro is unresolved or the library warns");
  build_command->add_flag("--sync", build.sync, "Flush the written files and folders to disk");
  build_command->add_flag("--follow-links", build.follow_links, kFollowLinksHelp);
  AddSkinFileOptions(build_command, &build.files);
  CLI::Option* dry_run = build_command->add_flag(
      "-n,--dry-run", build.dry_run,
      "List each file the build would write (\"copy PATH\" or \"patch PATH\"); write nothing");
  build_command->add_flag("--watch", build.watch,
                          "After the build, rebuild what changes in the skin until Ctrl-C "
                          "(Linux only)")
      ->excludes(dry_run);
  build_command->add_flag("-v,--verbose", build.common.verbose,
                          "Print every file as it is copied and patched");
  AddCommonOptions(build_command, &build.common);
  AddReportOptions(build_command, &build.common);
  build_command->footer(std::string("\n") + kBuildHelp + "\n" + kFooter);

  CheckOptions check;
  CLI::App* check_command =
      app.add_subcommand("check", "List the mistakes of a skin's statements, as FILE:LINE:COLUMN");
  check_command->add_option("SKIN", check.skin, "Skin folder (default: the stock skin)");
  check_command->add_option("--patch", check.patch_globs,
                            "Also check files matching GLOB; repeatable")
      ->type_name("GLOB")
      ->allow_extra_args(false);
  check_command->add_flag("--follow-links", check.follow_links, kFollowLinksHelp);
  check_command->add_flag("--strict", check.strict, "Exit 1 on warnings too");
  AddSkinFileOptions(check_command, &check.files);
  AddCommonOptions(check_command, &check.common);
  AddReportOptions(check_command, &check.common);
  check_command->footer(std::string("\n") + kCheckHelp + "\n" + kFooter);

  EvalOptions eval;
  CLI::App* eval_command =
      app.add_subcommand("eval", "Evaluate one expression and print its value");
  eval_command->add_option("EXPR", eval.expression, "The expression")->required();
  AddCommonOptions(eval_command, &eval.common);
  eval_command->footer(std::string("\n") + kEvalHelp + "\n" + kFooter);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    const int code = app.exit(e);
    return code == 0 ? kExitOk : kExitUsage;
  }
  const system_calls::ComponentRuntime component_runtime;
  InstallInterruptHandler();
  system_calls::KeepRunningPastFileSizeLimit();
  try {
    if (*build_command) return build.watch ? RunWatch(build) : RunBuild(build);
    if (*check_command) return RunCheck(check);
    if (*eval_command) return RunEval(eval);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quenloft: error: %s\n", e.what());
    return kExitFailed;
  }
  return kExitUsage;
}
