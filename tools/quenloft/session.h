// One template manager set up the way every command needs it: host
// callback, built-in functions, resolver modules, system values and global
// variables. Closing gives every reference back in the order the library
// asks for (resolver set before Terminate, Terminate before Release).
#ifndef QUENLOFT_TOOL_SESSION_H
#define QUENLOFT_TOOL_SESSION_H

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "options.h"
#include "quenloft/com_ptr.h"
#include "quenloft/quenloft.h"
#include "settings.h"

namespace quenloft_tool {

// The values of the shared options, read and checked.
struct SessionValues {
  std::vector<NamedValue> system;     // full names ("System.X"), in order
  std::vector<NamedValue> variables;  // "Global-Manager" variables, in order
  std::vector<std::string> modules;   // module file names beside the library
};

// Reads --set/--values/--var/--vars/--module. False with *error on the
// first bad one.
bool CollectValues(const CommonOptions& options, SessionValues* values, std::string* error);

// The first system value of `names` that the options set, or "": folders
// the tool sets itself and has checked.
std::string FirstSetOf(const SessionValues& values, std::initializer_list<std::string_view> names);
// For check and eval, whose result and root folders are a scratch folder
// of their own: the error for a value that would move them, or "".
std::string ScratchFolderOverride(const SessionValues& values, const char* command);

class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() { Close(); }

  // Creates the manager, starts it with the host and attaches the built-in
  // functions. False with *error when the library does not deliver.
  bool Open(ITplHostCallback* host, std::string* error);
  // False with *error naming the first module that did not load.
  bool AddModules(const std::vector<std::string>& modules, std::string* error);
  void SetSystemValue(const std::string& name, const std::string& value);
  // Stores each value in the manager's "Global-Manager" scope.
  bool SetVariables(const std::vector<NamedValue>& variables);
  void Close();

  ITplManager* manager() const { return manager_.get(); }
  ITplFileCopier* copier() const { return copier_.get(); }

 private:
  quenloft::ComPtr<ITplManager> manager_;
  quenloft::ComPtr<ITplFileCopier> copier_;
  quenloft::ComPtr<ITplResolverSet> builtins_;
  bool started_ = false;
};

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_SESSION_H
