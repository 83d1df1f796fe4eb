// Statements evaluated the way a host evaluates them, with the built-in
// functions: the input as one expression (EvaluateExpression), then as the
// text of a template file whose markers are patched. Each input gets a
// manager of its own over a scratch folder: the skin there is the source
// folder, "out" the result and root folder, and the work of a statement is
// held to small bounds so that no input runs long or fills the disk. After
// each input the scratch folder tells whether a file beyond the allowed
// folders was read or changed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quenloft/com.h"
#include "quenloft/quenloft.h"
#include "support/scratch_folder.h"

namespace {

constexpr std::string_view kPage = "<p><!--%Concat('a', System.Title)%--></p>\n";
constexpr std::string_view kStyleSheet =
    "<xsl:stylesheet version='1.0' xmlns:xsl='http://www.w3.org/1999/XSL/Transform'>"
    "<xsl:template match='/'><b><xsl:value-of select='.'/></b></xsl:template>"
    "</xsl:stylesheet>";
constexpr std::string_view kData = "<a>text</a>";

// A host of its own, as a foreign one would bring. Evaluating and patching
// in memory tell about statements only, each message a whole line.
class Host final : public quenloft::OwnerHeldComObject<Host, ITplHostCallback> {
 public:
  int32_t QL_CALL Output(const char* text) override {
    if (text == nullptr) std::abort();
    const std::string_view message(text);
    if (!message.starts_with(quenloft::kTemplateErrorPrefix) || !message.ends_with("\r\n")) {
      std::abort();
    }
    return 0;
  }
  int32_t QL_CALL Reserved4() override { return 0; }
  int32_t QL_CALL Reserved5() override { return 0; }
  int32_t QL_CALL Progress(int32_t, int32_t) override { return 0; }
  int32_t QL_CALL MapFileName(const char*, ICvoString*) override { return 1; }
  int32_t QL_CALL Reserved8() override { return 0; }
  int32_t QL_CALL NotifyFile(const char*) override { return 0; }
  int32_t QL_CALL Reserved10() override { return 0; }
  int32_t QL_CALL ShouldContinue() override { return 1; }

  int32_t references() const { return RefCount(); }
};

const quenloft_fuzz::ScratchFolder& Scratch() {
  static const quenloft_fuzz::ScratchFolder scratch(
      {{"page.htm", kPage}, {"style.xsl", kStyleSheet}, {"data.xml", kData}, {"a.txt", "a"}});
  return scratch;
}

// A manager started with the host and the built-in functions, set up as
// the tool sets one up for a build, with small bounds; taken down in the
// order the library asks for.
class Session {
 public:
  explicit Session(Host* host) {
    if (CreateTemplateManagerInstance(manager_.put()) != 0 || !manager_) std::abort();
    copier_ = manager_.query<ITplFileCopier>();
    if (!copier_ || copier_->Initialize(host) != 0) std::abort();
    if (CreateTemplateResolversInstance(builtins_.put()) != 0 || !builtins_) std::abort();
    builtins_->SetManager(manager_.get());
    builtins_->Initialize();
    const std::string out = Scratch().Out();
    Set("System.SourceFolderName", Scratch().Skin());
    Set("System.ResultFolderName", out);
    Set("System.RootFolderName", out);
    Set("System.Title", "Fuzz");
    Set(quenloft::kEvaluationLimitValue, "2000");
    Set(quenloft::kValueSizeLimitValue, "65536");
    Set(quenloft::kTransformDepthLimitValue, "100");
    Set(quenloft::kTransformTimeLimitValue, "200");
  }
  ~Session() {
    builtins_->Uninitialize();
    builtins_.reset();
    copier_->Terminate();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  ITplManager* manager() const { return manager_.get(); }

 private:
  void Set(const char* name, const std::string& value) {
    manager_->SetSystemValue(name, value.c_str());
  }

  quenloft::ComPtr<ITplManager> manager_;
  quenloft::ComPtr<ITplFileCopier> copier_;
  quenloft::ComPtr<ITplResolverSet> builtins_;
};

// The input as the text of a template file in "out", patched.
void PatchAsFile(ITplManager* manager, const std::string& text) {
  const auto services = quenloft::ComPtr<ITplManager>::retain(manager).query<ITplMacroServices>();
  quenloft::ComPtr<ITplPatchedFile> file;
  if (!services || services->CreatePatchedFile(file.put()) != 0 || !file) std::abort();
  file->SetFileName((Scratch().Out() + "page.htm").c_str());
  file->SetText(text.c_str());
  const quenloft::Text out;
  file->Patch(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The interfaces take zero-terminated texts: the input ends at its first
  // zero byte.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string statement(text.c_str());
  Host host;
  Scratch().Enter();
  {
    Session session(&host);
    const quenloft::Text out;
    session.manager()->EvaluateExpression(statement.c_str(), out);
    PatchAsFile(session.manager(), statement);
  }
  Scratch().Leave();
  if (host.references() != 0) std::abort();  // every reference to the host came back
  Scratch().CheckUntouched();
  Scratch().ClearOut();
  return 0;
}
