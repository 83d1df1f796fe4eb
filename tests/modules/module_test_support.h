// Helpers for the module tests: a manager driven the way a host drives it,
// the lib folder that modules are looked for in, and the journal that the
// test modules write.
#ifndef QUENLOFT_TESTS_MODULES_MODULE_TEST_SUPPORT_H
#define QUENLOFT_TESTS_MODULES_MODULE_TEST_SUPPORT_H

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <quenloft/com.h>
#include <quenloft/quenloft.h>

#include <algorithm>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "test_journal.h"

namespace quenloft::testing {

using Entries = std::vector<std::string>;

// The folder of libquenloft.so, with a trailing slash.
inline std::string LibFolder() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&CreateTemplateManagerInstance), &info) == 0) return {};
  std::string path = info.dli_fname;
  return path.substr(0, path.rfind('/') + 1);
}

// Journal entries whose event (the part after "module:") is one of
// `events`, in the order recorded; every entry when `events` is empty.
inline Entries Journal(std::initializer_list<std::string> events = {}) {
  Entries found;
  std::istringstream lines(QlJournalText());
  for (std::string line; std::getline(lines, line);) {
    const size_t start = line.find(':') + 1;
    const std::string event = line.substr(start, line.find(':', start) - start);
    if (events.size() == 0 || std::find(events.begin(), events.end(), event) != events.end())
      found.push_back(line);
  }
  return found;
}

// A manager started with no host, as a host would drive it.
class HostedManager {
 public:
  HostedManager() {
    QlJournalReset();
    CreateTemplateManagerInstance(manager_.put());
    copier_ = manager_.query<ITplFileCopier>();
    if (copier_) copier_->Initialize(nullptr);
  }

  ITplManager* manager() const { return manager_.get(); }

  // 0 when a set was added.
  int32_t Add(const char* module, const char* param = "", const char* host = "/srv/host") {
    return copier_->AddResolverModuleByHost(module, host, param);
  }
  void Terminate() { copier_->Terminate(); }
  // The host lets go of the manager, with or without Terminate first.
  void Release() {
    copier_ = nullptr;
    manager_ = nullptr;
  }

  // The value of one statement, through the manager.
  std::string Evaluate(const char* text) const {
    const Text out;
    manager_->EvaluateExpression(text, out);
    return out.text();
  }

 private:
  ComPtr<ITplManager> manager_;
  ComPtr<ITplFileCopier> copier_;
};

}  // namespace quenloft::testing

#endif  // QUENLOFT_TESTS_MODULES_MODULE_TEST_SUPPORT_H
