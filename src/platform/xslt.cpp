// TransformXml on libxml2 and libxslt.
//
// Nothing a transformation reads may come from outside the two texts: the
// parser runs without network access, without entity substitution and
// without loading the external DTD; a document that declares an external
// entity is refused; the style sheet may neither read nor write files nor
// touch the network (document(), xsl:import, xsl:include, extension
// writes). Every refusal fails the whole transformation. document('')
// reads nothing: libxslt hands out the style sheet's own parsed document
// without calling a loader, since the texts are parsed without a base URI.
//
// A transformation is bounded: templates nest at most as deep as the
// limits say (libxslt's per-context template depth, which counts variables
// too), and a watchdog thread stops the engine once its time is up, as
// xsltStopEngine would: by setting the context's state to stopped, which
// libxslt checks before every instruction it runs.
//
// libxml2 and libxslt report problems on stderr by default and this library
// never prints: libxml2's handlers are per thread and are swapped for
// silent ones for the duration of a call; libxslt's generic handler is
// process-wide and is silenced once. The document loaders of both
// libraries are process-wide too: they are replaced once by loaders that
// refuse everything while a transformation runs on the calling thread and
// otherwise hand over to the loaders they replaced, so other users of the
// libraries in the host process keep their behaviour.
#include "platform/xslt.h"

#include <libxml/entities.h>
#include <libxml/globals.h>
#include <libxml/hash.h>
#include <libxml/parser.h>
#include <libxml/xmlerror.h>
#include <libxslt/documents.h>
#include <libxslt/extensions.h>
#include <libxslt/security.h>
#include <libxslt/transform.h>
#include <libxslt/xslt.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <thread>

namespace quenloft::platform {

namespace {

// What one transformation on this thread learns while it runs.
struct CallState {
  bool refused = false;    // a load or a file/network access was refused
  bool too_deep = false;   // libxslt stopped a recursion at the depth limit
  std::string error;       // the first error text libxslt gave
};

thread_local CallState* t_call = nullptr;

void RecordRefusal() {
  if (t_call != nullptr) t_call->refused = true;
}

void SilentError(void*, const char*, ...) {}

xmlExternalEntityLoader g_previous_entity_loader = nullptr;
xsltDocLoaderFunc g_previous_doc_loader = nullptr;

xmlParserInputPtr EntityLoader(const char* url, const char* id, xmlParserCtxtPtr context) {
  if (t_call != nullptr) {
    RecordRefusal();
    return nullptr;
  }
  return g_previous_entity_loader != nullptr ? g_previous_entity_loader(url, id, context) : nullptr;
}

xmlDocPtr DocLoader(const xmlChar* uri, xmlDictPtr dict, int options, void* context,
                    xsltLoadType type) {
  if (t_call != nullptr) {
    RecordRefusal();
    return nullptr;
  }
  return g_previous_doc_loader != nullptr
             ? g_previous_doc_loader(uri, dict, options, context, type)
             : nullptr;
}

// The first error text of the call, as one line without its line end.
void NoteError(const char* text) {
  if (t_call == nullptr || text == nullptr || !t_call->error.empty()) return;
  std::string line(text);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
    line.pop_back();
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  t_call->error = std::move(line);
}

// Notes libxslt's text, which it hands over as the argument of a "%s";
// gives it back.
const char* NoteFormattedError(const char* format, va_list arguments) {
  const char* text = format;
  if (std::strcmp(format, "%s") == 0) text = va_arg(arguments, const char*);
  NoteError(text);
  return text;
}

// libxslt's errors: silent, but the first is noted, and so is a recursion
// that libxslt stopped at the depth limit.
void TransformError(void*, const char* format, ...) {
  if (t_call == nullptr || format == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  const char* text = NoteFormattedError(format, arguments);
  va_end(arguments);
  if (text != nullptr && std::strstr(text, "infinite template recursion") != nullptr) {
    t_call->too_deep = true;
  }
}

// Errors while a style sheet is compiled: noted, never taken for a
// stopped recursion (the message may quote any attribute's text).
void CompileError(void*, const char* format, ...) {
  if (t_call == nullptr || format == nullptr) return;
  va_list arguments;
  va_start(arguments, format);
  NoteFormattedError(format, arguments);
  va_end(arguments);
}

// libxml2's errors on this thread while a call runs: silent, the first noted.
void NoteStructuredError(void*, xmlErrorPtr error) {
  if (error != nullptr) NoteError(error->message);
}

// Stops the engine of a transformation when its time is up, unless the
// transformation finished first (Finish).
class Watchdog {
 public:
  Watchdog(xsltTransformContextPtr context, int time_limit_ms)
      : thread_([this, context, time_limit_ms] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!finished_.wait_for(lock, std::chrono::milliseconds(time_limit_ms),
                                  [this] { return done_; })) {
            fired_ = true;
            // The transforming thread reads the state without a lock; an
            // aligned int is written whole.
            __atomic_store_n(&context->state, XSLT_STATE_STOPPED, __ATOMIC_RELAXED);
          }
        }) {}
  ~Watchdog() { Finish(); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  // Ends the watch; true when the time ran out first.
  bool Finish() {
    if (thread_.joinable()) {
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
      }
      finished_.notify_one();
      thread_.join();
    }
    return fired_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;   // guarded by mutex_
  bool fired_ = false;  // written by the watchdog, read after the join
  std::thread thread_;  // last: it starts once the members above exist
};

int RefuseAccess(xsltSecurityPrefsPtr, xsltTransformContextPtr, const char*) {
  RecordRefusal();
  return 0;
}

void InitializeOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xsltInit();
    // libxslt makes its global lock lazily and without a lock of its own;
    // threads that make their first style sheets at once would each make
    // one. Made here, once.
    xsltInitGlobals();
    xsltSetGenericErrorFunc(nullptr, &CompileError);
    xsltSetGenericDebugFunc(nullptr, &SilentError);
    g_previous_entity_loader = xmlGetExternalEntityLoader();
    xmlSetExternalEntityLoader(&EntityLoader);
    g_previous_doc_loader = xsltDocDefaultLoader;
    xsltSetLoaderFunc(&DocLoader);
  });
}

// Marks the thread as transforming and silences libxml2's per-thread error
// handlers; restores both on the way out.
class CallScope {
 public:
  explicit CallScope(CallState* state)
      : generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &SilentError);
    xmlSetStructuredErrorFunc(nullptr, &NoteStructuredError);
    t_call = state;
  }
  ~CallScope() {
    t_call = nullptr;
    xmlSetStructuredErrorFunc(structured_context_, structured_);
    xmlSetGenericErrorFunc(generic_context_, generic_);
  }
  CallScope(const CallScope&) = delete;
  CallScope& operator=(const CallScope&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* generic_context_;
  xmlStructuredErrorFunc structured_;
  void* structured_context_;
};

// Frees a libxml2 or libxslt object on every way out.
template <class T, void (*Free)(T*)>
class Holder {
 public:
  explicit Holder(T* p = nullptr) : p_(p) {}
  ~Holder() {
    if (p_ != nullptr) Free(p_);
  }
  Holder(const Holder&) = delete;
  Holder& operator=(const Holder&) = delete;
  T* get() const { return p_; }
  T* release() {
    T* p = p_;
    p_ = nullptr;
    return p;
  }

 private:
  T* p_;
};

void FreeString(xmlChar* p) { xmlFree(p); }

using DocHolder = Holder<xmlDoc, &xmlFreeDoc>;
using StyleHolder = Holder<xsltStylesheet, &xsltFreeStylesheet>;
using ContextHolder = Holder<xsltTransformContext, &xsltFreeTransformContext>;
using PrefsHolder = Holder<xsltSecurityPrefs, &xsltFreeSecurityPrefs>;
using StringHolder = Holder<xmlChar, &FreeString>;

void FlagExternalEntity(void* payload, void* data, const xmlChar*) {
  const auto* entity = static_cast<const xmlEntity*>(payload);
  if (entity->etype == XML_EXTERNAL_GENERAL_PARSED_ENTITY ||
      entity->etype == XML_EXTERNAL_GENERAL_UNPARSED_ENTITY ||
      entity->etype == XML_EXTERNAL_PARAMETER_ENTITY) {
    *static_cast<bool*>(data) = true;
  }
}

bool DeclaresExternalEntity(const xmlDoc* doc) {
  bool found = false;
  for (const xmlDtd* dtd : {doc->intSubset, doc->extSubset}) {
    if (dtd == nullptr) continue;
    if (dtd->entities != nullptr) {
      xmlHashScan(static_cast<xmlHashTablePtr>(dtd->entities), &FlagExternalEntity, &found);
    }
    if (dtd->pentities != nullptr) {
      xmlHashScan(static_cast<xmlHashTablePtr>(dtd->pentities), &FlagExternalEntity, &found);
    }
  }
  return found;
}

// The text parsed as a document; null when it is not well-formed or
// declares an external entity. Always decoded as UTF-8, the system's code
// page, whatever its XML declaration says.
xmlDocPtr ParseText(std::string_view text) {
  if (text.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  constexpr int kOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
  DocHolder doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                              kOptions));
  if (doc.get() == nullptr || DeclaresExternalEntity(doc.get())) return nullptr;
  return doc.release();
}

// Preferences that refuse every file and network access; null when they
// cannot be made.
xsltSecurityPrefsPtr ForbiddingPrefs() {
  PrefsHolder prefs(xsltNewSecurityPrefs());
  if (prefs.get() == nullptr) return nullptr;
  for (xsltSecurityOption option : {XSLT_SECPREF_READ_FILE, XSLT_SECPREF_WRITE_FILE,
                                    XSLT_SECPREF_CREATE_DIRECTORY, XSLT_SECPREF_READ_NETWORK,
                                    XSLT_SECPREF_WRITE_NETWORK}) {
    if (xsltSetSecurityPrefs(prefs.get(), option, &RefuseAccess) != 0) return nullptr;
  }
  return prefs.release();
}

// The result comes back in the system's code page, UTF-8, whatever
// encoding xsl:output declares: a declared ISO-8859-1 would otherwise give
// Latin-1 bytes and character references for what it cannot spell. An HTML
// result's meta element then names UTF-8 too, as the bytes are.
void WriteUtf8(xsltStylesheet* style) {
  xmlChar* utf8 = xmlStrdup(reinterpret_cast<const xmlChar*>("UTF-8"));
  if (utf8 == nullptr) throw std::bad_alloc();
  if (style->encoding != nullptr) xmlFree(style->encoding);
  style->encoding = utf8;
}

// The serialised output without a leading XML declaration and the line
// break after it.
std::string WithoutDeclaration(std::string_view out) {
  if (out.substr(0, 5) == "<?xml") {
    const size_t end = out.find("?>");
    if (end != std::string_view::npos) {
      out.remove_prefix(end + 2);
      if (out.substr(0, 2) == "\r\n") {
        out.remove_prefix(2);
      } else if (!out.empty() && out.front() == '\n') {
        out.remove_prefix(1);
      }
    }
  }
  return std::string(out);
}

// Names the text that did not parse in the error noted.
std::nullopt_t Unparsed(const char* what) {
  if (t_call != nullptr) {
    const std::string why = t_call->error.empty() ? "not well-formed" : t_call->error;
    t_call->error = std::string(what) + ": " + why;
  }
  return std::nullopt;
}

std::optional<std::string> Transform(std::string_view xml, std::string_view stylesheet,
                                     const TransformLimits& limits, TransformStop* stopped) {
  DocHolder document(ParseText(xml));
  if (document.get() == nullptr) return Unparsed("the XML document");
  DocHolder style_document(ParseText(stylesheet));
  if (style_document.get() == nullptr) return Unparsed("the style sheet");
  // On success the style sheet owns its document; on failure it does not.
  StyleHolder style(xsltParseStylesheetDoc(style_document.get()));
  if (style.get() == nullptr) return std::nullopt;
  style_document.release();
  WriteUtf8(style.get());

  PrefsHolder prefs(ForbiddingPrefs());
  if (prefs.get() == nullptr) return std::nullopt;
  ContextHolder context(xsltNewTransformContext(style.get(), document.get()));
  if (context.get() == nullptr) return std::nullopt;
  if (xsltSetCtxtSecurityPrefs(prefs.get(), context.get()) != 0) return std::nullopt;
  xsltSetTransformErrorFunc(context.get(), nullptr, &TransformError);
  // Variables live on a stack of their own, bounded by libxslt's default
  // (xsltMaxVars); passing either bound stops the transformation the same
  // way.
  context.get()->maxTemplateDepth = limits.max_depth;

  Watchdog watchdog(context.get(), limits.time_limit_ms);
  DocHolder result(
      xsltApplyStylesheetUser(style.get(), document.get(), nullptr, nullptr, nullptr, context.get()));
  if (watchdog.Finish()) {
    *stopped = TransformStop::kTooLong;
    return std::nullopt;
  }
  if (t_call != nullptr && t_call->too_deep) *stopped = TransformStop::kTooDeep;
  if (result.get() == nullptr || context.get()->state != XSLT_STATE_OK) return std::nullopt;
  if (t_call != nullptr && t_call->refused) return std::nullopt;

  xmlChar* text = nullptr;
  int length = 0;
  if (xsltSaveResultToString(&text, &length, result.get(), style.get()) != 0) {
    if (text != nullptr) xmlFree(text);
    return std::nullopt;
  }
  StringHolder owned(text);
  if (text == nullptr || length <= 0) return std::string();
  return WithoutDeclaration(
      std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
}

}  // namespace

std::optional<std::string> TransformXml(std::string_view xml, std::string_view stylesheet,
                                        const TransformLimits& limits, TransformStop* stopped,
                                        std::string* error) {
  TransformStop ignored = TransformStop::kNone;
  if (stopped == nullptr) stopped = &ignored;
  *stopped = TransformStop::kNone;
  std::string why;
  // Caught here: the platform layer sits beside the frame and cannot use
  // its Guarded.
  std::optional<std::string> out;
  try {
    InitializeOnce();
    CallState state;
    {
      CallScope scope(&state);
      out = Transform(xml, stylesheet, limits, stopped);
    }
    if (state.refused) {
      out.reset();
      why = "a file or network access was refused";
    } else {
      why = std::move(state.error);
    }
  } catch (...) {
    out.reset();
  }
  if (!out && error != nullptr) *error = why.empty() ? "the transformation gave no result" : why;
  return out;
}

}  // namespace quenloft::platform
