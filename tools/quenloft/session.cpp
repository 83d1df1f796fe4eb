#include "session.h"

#include <filesystem>

#include "library_location.h"

namespace quenloft_tool {
namespace {

// Modules are loaded from the library's own folder only; a path is accepted
// when it names a file in that folder.
bool ModuleFileName(const std::string& given, std::string* name, std::string* error) {
  namespace fs = std::filesystem;
  if (given.find_first_of("/\\") == std::string::npos) {
    *name = given;
    return true;
  }
  const std::string folder = LibraryFolder();
  std::error_code ec;
  const fs::path file = fs::canonical(given, ec);
  if (ec) {
    *error = "resolver module not found: " + given;
    return false;
  }
  // The folder without its trailing "/", which the Windows runtime's
  // equivalent() does not take.
  if (!fs::equivalent(file.parent_path(), fs::path(folder).parent_path(), ec)) {
    *error = "resolver modules are loaded from the library's folder " + folder + "; copy " +
             given + " there and name it by its file name";
    return false;
  }
  *name = file.filename().string();
  return true;
}

}  // namespace

bool CollectValues(const CommonOptions& options, SessionValues* values, std::string* error) {
  for (const std::string& file : options.value_files) {
    auto lines = ReadValueFile(file, /*allow_tab=*/false, error);
    if (!lines) return false;
    for (auto& [name, value] : *lines) values->system.emplace_back(SystemValueName(name), value);
  }
  for (const std::string& text : options.sets) {
    auto value = ParseAssignment(text);
    if (!value) {
      *error = "bad --set \"" + text + "\": expected NAME=VALUE";
      return false;
    }
    values->system.emplace_back(SystemValueName(value->first), value->second);
  }
  for (const std::string& file : options.var_files) {
    auto lines = ReadValueFile(file, /*allow_tab=*/true, error);
    if (!lines) return false;
    values->variables.insert(values->variables.end(), lines->begin(), lines->end());
  }
  for (const std::string& text : options.vars) {
    auto value = ParseAssignment(text);
    if (!value) {
      *error = "bad --var \"" + text + "\": expected NAME=VALUE";
      return false;
    }
    values->variables.push_back(std::move(*value));
  }
  for (const std::string& module : options.modules) {
    std::string name;
    if (!ModuleFileName(module, &name, error)) return false;
    values->modules.push_back(std::move(name));
  }
  return true;
}

std::string FirstSetOf(const SessionValues& values,
                       std::initializer_list<std::string_view> names) {
  for (const auto& [name, value] : values.system) {
    for (std::string_view reserved : names) {
      if (name == reserved) return name;
    }
  }
  return {};
}

std::string ScratchFolderOverride(const SessionValues& values, const char* command) {
  const std::string name =
      FirstSetOf(values, {"System.ResultFolderName", "System.RootFolderName"});
  if (name.empty()) return {};
  return name + " is set by the tool: " + command +
         " writes only into a temporary folder of its own";
}

bool Session::Open(ITplHostCallback* host, std::string* error) {
  if (CreateTemplateManagerInstance(manager_.put()) == 0 && manager_) {
    copier_ = manager_.query<ITplFileCopier>();
  }
  if (!copier_) {
    *error = "the library made no template manager";
    return false;
  }
  copier_->Initialize(host);
  started_ = true;
  // The built-in functions: the set attaches its function library to the
  // manager in Initialize and withdraws it in Uninitialize.
  if (CreateTemplateResolversInstance(builtins_.put()) != 0 || !builtins_) {
    *error = "the library made no built-in resolver set";
    return false;
  }
  builtins_->SetManager(manager_.get());
  builtins_->Initialize();
  return true;
}

bool Session::AddModules(const std::vector<std::string>& modules, std::string* error) {
  const std::string host_path = ToolPath();
  for (const std::string& module : modules) {
    if (copier_->AddResolverModuleByHost(module.c_str(), host_path.c_str(), "") != 0) {
      *error = "resolver module " + module + " did not load from " + LibraryFolder() +
               " (missing, not loadable, or no CreateTemplateResolversInstance)";
      return false;
    }
  }
  return true;
}

void Session::SetSystemValue(const std::string& name, const std::string& value) {
  manager_->SetSystemValue(name.c_str(), value.c_str());
}

bool Session::SetVariables(const std::vector<NamedValue>& variables) {
  if (variables.empty()) return true;
  // The scope belongs to the manager; the reference is given back at once.
  const auto global = manager_.query<ITplVariables>();
  if (!global) return false;
  for (const auto& [name, value] : variables) global->SetVariable(name.c_str(), value.c_str());
  return true;
}

void Session::Close() {
  if (builtins_) {
    builtins_->Uninitialize();
    builtins_.reset();
  }
  if (started_) {
    copier_->Terminate();
    started_ = false;
  }
  copier_.reset();
  manager_.reset();
}

}  // namespace quenloft_tool
