// quenloft eval: evaluates one expression with the built-in functions and
// the given values, and prints its value.
#include <cstdio>
#include <filesystem>

#include "console_host.h"
#include "folders.h"
#include "interrupt.h"
#include "library_location.h"
#include "messages.h"
#include "options.h"
#include "quenloft/string_object.h"
#include "session.h"
#include "summary.h"
#include "system_calls.h"
#include "timing_report.h"

namespace quenloft_tool {
namespace {

constexpr char kNotEvaluated[] = "\x01quenloft eval: not evaluated\x01";

}  // namespace

int RunEval(const EvalOptions& options) {
  std::string error;
  SessionValues values;
  if (!CollectValues(options.common, &values, &error)) return Fail(kExitUsage, error);
  error = ScratchFolderOverride(values, "eval");
  if (!error.empty()) return Fail(kExitUsage, error);
  const std::string scratch = system_calls::MakeTemporaryFolder("quenloft-eval-");
  if (scratch.empty()) return Fail(kExitFailed, "cannot make a temporary folder");

  TimingReport timings(options.common.timings);
  HostOptions host_options;
  host_options.style = ProgressStyle::kQuiet;
  host_options.collect_errors = true;
  quenloft::ComPtr<ConsoleHost> host = ConsoleHost::Make(host_options);
  std::string value;
  std::vector<std::string> messages;
  {
    Session session;
    if (!session.Open(host.get(), &error) || !session.AddModules(values.modules, &error)) {
      session.Close();
      RemoveFolder(scratch);
      return Fail(kExitUsage, error);
    }
    // Folder kinds of FileName, LoadFromFile and SaveToFile: the stock skin
    // (or the current folder) is the source, read only; what an expression
    // writes goes to the scratch folder, the result and the root.
    std::error_code ec;
    const std::string stock = StockSkinFolder();
    session.SetSystemValue("System.SourceFolderName", std::filesystem::is_directory(stock, ec)
                                                          ? stock
                                                          : AbsoluteFolder("."));
    session.SetSystemValue("System.ResultFolderName", scratch);
    session.SetSystemValue("System.RootFolderName", scratch);
    for (const auto& [name, v] : values.system) session.SetSystemValue(name, v);
    session.SetVariables(values.variables);

    // A failed evaluation leaves the string as it was: preset it to a text
    // that no real value holds (control bytes around it), so that
    // "unchanged" can be told. Not to the expression: a statement resolved
    // without a value, such as an unset system value, has its own text as
    // its value, and that is a success.
    const quenloft::Text out(kNotEvaluated);
    session.manager()->EvaluateExpression(options.expression.c_str(), out);
    value = out.text();
    for (CollectedMessage& message : host->TakeCollected()) {
      messages.push_back(std::move(message.text));
    }
    session.Close();
  }
  RemoveFolder(scratch);
  timings.Print(stderr);
  if (Interrupted()) return kInterruptedExitCode;
  const bool resolved = messages.empty() && value != kNotEvaluated;
  if (options.common.json) {
    std::string list;
    for (const std::string& message : messages) {
      if (!list.empty()) list += ',';
      list += JsonString(message);
    }
    std::printf("{\"expression\":%s,\"resolved\":%s,\"value\":%s,\"messages\":[%s]}\n",
                JsonString(options.expression).c_str(), resolved ? "true" : "false",
                JsonString(resolved ? value : std::string()).c_str(), list.c_str());
    return resolved ? kExitOk : kExitFailed;
  }
  if (resolved) {
    std::printf("%s\n", value.c_str());
    return kExitOk;
  }
  for (const std::string& message : messages) std::fprintf(stderr, "%s\n", message.c_str());
  if (options.expression.size() < 5) {
    return Fail(kExitFailed, "not evaluated: \"" + options.expression +
                                 "\" (an expression shorter than 5 bytes never evaluates)");
  }
  return Fail(kExitFailed, "can not resolve: " + options.expression);
}

}  // namespace quenloft_tool
