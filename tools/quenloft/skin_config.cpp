#include "skin_config.h"

#include <filesystem>
#include <system_error>

#include "messages.h"
#include "prelude.h"

namespace quenloft_tool {
namespace {

enum class Section { kNone, kValues, kVariables, kPatch, kExclude, kPrelude, kUnknown };

Section SectionNamed(const std::string& name) {
  if (name == "values") return Section::kValues;
  if (name == "vars") return Section::kVariables;
  if (name == "patch") return Section::kPatch;
  if (name == "exclude") return Section::kExclude;
  if (name == "prelude") return Section::kPrelude;
  return Section::kUnknown;
}

}  // namespace

bool ParseSkinConfig(const std::string& content, const std::string& file_name,
                     SkinConfig* config, std::string* error) {
  Section section = Section::kNone;
  size_t start = 0;
  for (int number = 1; start < content.size(); ++number) {
    size_t end = content.find('\n', start);
    if (end == std::string::npos) end = content.size();
    std::string line = content.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';') continue;
    const std::string where = file_name + ":" + std::to_string(number) + ": ";
    const auto refuse = [&](const std::string& why) {
      *error = where + why;
      return false;
    };
    if (trimmed[0] == '[') {
      if (trimmed.back() != ']') return refuse("expected [SECTION], got \"" + line + "\"");
      const std::string name = Trim(trimmed.substr(1, trimmed.size() - 2));
      section = SectionNamed(name);
      if (section == Section::kUnknown) {
        config->warnings.push_back(where + "unknown section [" + name +
                                   "] (known: values, vars, patch, exclude, prelude); its "
                                   "lines are ignored");
      }
      continue;
    }
    switch (section) {
      case Section::kNone:
        return refuse("a line before the first [SECTION]: \"" + line + "\"");
      case Section::kValues:
      case Section::kVariables: {
        std::optional<NamedValue> value = ParseAssignment(line);
        if (!value) return refuse("expected NAME=VALUE, got \"" + line + "\"");
        value->second = Trim(value->second);  // as INI files have it
        if (section == Section::kValues) {
          config->values.emplace_back(SystemValueName(value->first), value->second);
        } else {
          config->variables.push_back(std::move(*value));
        }
        break;
      }
      case Section::kPatch:
        config->patch_globs.push_back(trimmed);
        break;
      case Section::kExclude:
        config->exclude_globs.push_back(trimmed);
        break;
      case Section::kPrelude:
        config->prelude.push_back(trimmed);
        break;
      case Section::kUnknown:
        break;
    }
  }
  return true;
}

bool ReadSkinConfig(const std::string& skin, SkinConfig* config, std::string* error) {
  const std::string file = skin + std::string(kSkinConfigName);
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) return true;
  std::string content;
  return ReadSettingsFile(file, &content, error) &&
         ParseSkinConfig(content, file, config, error);
}

bool PrepareSkin(const std::string& skin, const CommonOptions& common,
                 const std::vector<std::string>& patch_globs, const SkinFileOptions& files,
                 SkinSetup* setup, std::string* error) {
  SkinConfig config;
  if (!ReadSkinConfig(skin, &config, error)) return false;
  for (const std::string& warning : config.warnings) Warn(warning);
  if (!CollectValues(common, &setup->values, error)) return false;
  // The file's first, so that what the command line sets wins.
  auto& system = setup->values.system;
  system.insert(system.begin(), config.values.begin(), config.values.end());
  auto& variables = setup->values.variables;
  variables.insert(variables.begin(), config.variables.begin(), config.variables.end());

  setup->patch_globs = std::move(config.patch_globs);
  setup->patch_globs.insert(setup->patch_globs.end(), patch_globs.begin(), patch_globs.end());
  std::vector<std::string> excludes = std::move(config.exclude_globs);
  excludes.insert(excludes.end(), files.exclude_globs.begin(), files.exclude_globs.end());
  setup->filter = SkinFilter(std::move(excludes), files.hidden);

  setup->prelude = std::move(config.prelude);
  if (!files.prelude.empty()) {
    std::string content;
    if (!ReadSettingsFile(files.prelude, &content, error)) return false;
    const std::vector<std::string> lines = PreludeLines(content);
    setup->prelude.insert(setup->prelude.end(), lines.begin(), lines.end());
  }
  return true;
}

}  // namespace quenloft_tool
