/* A strict foreign host in C. Its string objects, host callback, file
 * source, resolver and statement object implement exactly the slots the
 * library may call, and every other slot aborts naming the object and the
 * slot (c_host.h). Through it run: the manager's identity and counts,
 * statements and the other calls that answer in a string object, its
 * resolver answering inside templates (also as ITplResolverEx), a statement
 * object of its own resolved by the manager, the copy and update passes of
 * a small skin that the file source writes into the manager's temporary
 * folder, and the resolver set of a module written in C
 * (tests/modules/module_c.c). The strict host does not answer
 * ITplDiagnostics; a second one that does hears why statements fail. */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include <stddef.h>

#if defined(_WIN32)
#include <objbase.h>
#else
#include <sys/stat.h>
#endif

#include "c_abi/c_host.h"
#include "c_abi/recording_host.h"

#if !defined(QUENLOFT_LIBRARY_FILE)
#error "QUENLOFT_LIBRARY_FILE must name the library"
#endif

static Manager* manager;
static FileCopier* copier;
static MacroServices* services;

/* ---- The skin, in the manager's temporary folder ---------------------------- */

static char scratch[400]; /* the folder the file source was told, with "/" */

/* A file in that folder (prefix "" or a folder with "/"), as given or the
 * way the library spells it (every "/" a "\"); valid until the fourth call
 * after this one. */
static const char* At(const char* prefix, const char* relative, int backslashed) {
  static char paths[4][600];
  static int next;
  char* path = paths[next++ % 4];
  size_t i;
  snprintf(path, sizeof paths[0], "%s%s%s", scratch, prefix, relative);
  for (i = 0; backslashed && path[i] != '\0'; ++i)
    if (path[i] == '/') path[i] = '\\';
  return path;
}

/* Whether the file holds exactly these bytes. */
static int FileHolds(const char* path, const char* bytes, size_t size) {
  char content[512];
  size_t read = 0;
  FILE* file = fopen(path, "rb");
  if (file == NULL) return 0;
  read = fread(content, 1, sizeof content, file);
  fclose(file);
  return read == size && memcmp(content, bytes, size) == 0;
}

typedef struct SkinFile {
  const char* name;
  const char* content;
  size_t size;         /* 0: strlen(content) */
  const char* patched; /* NULL: the file is only copied */
} SkinFile;

static const char kLogo[] = "\x89PNG\r\n\0<!--%NoSuchName%-->";

static const SkinFile kSkin[] = {
    {"index.htm",
     "<p><!--%System.Title%--> <!--%Greet(World)%--> <!--%HelloC%--> "
     "<!--%NoSuchName%--></p>",
     0, "<p>Strict Hello, World hello from C:strict <!--%NoSuchName%--></p>"},
    {"sub/page.css", "b { /*%Concat('a', 'b')%*/ }", 0, "b { ab }"},
    {"logo.bin", kLogo, sizeof kLogo - 1, NULL},
};
enum { kSkinFiles = sizeof kSkin / sizeof kSkin[0] };

/* ---- The file source: writes the skin and lists it ------------------------- */

typedef struct Source {
  Counted base;
  int initialized, uninitialized;
} Source;

static int32_t HOSTCALL SourceQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_NOTIMPL);
}
/* Told the manager's temporary folder, which goes with the manager, the
 * source writes the skin there. */
static int32_t HOSTCALL SourceInitialize(void* self, const char* folder) {
  static const char* const kFolders[] = {"skin", "skin/sub", "out"};
  const size_t n = folder != NULL ? strlen(folder) : 0;
  size_t i;
  CHECK(n > 0);
  snprintf(scratch, sizeof scratch, "%s%s", n > 0 ? folder : ".",
           n > 0 && (folder[n - 1] == '/' || folder[n - 1] == '\\') ? "" : "/");
  for (i = 0; i < 3; ++i) {
#if defined(_WIN32)
    CHECK(CreateDirectoryA(At("", kFolders[i], 0), NULL));
#else
    CHECK(mkdir(At("", kFolders[i], 0), 0700) == 0);
#endif
  }
  for (i = 0; i < kSkinFiles; ++i) {
    FILE* file = fopen(At("skin/", kSkin[i].name, 0), "wb");
    const size_t size = kSkin[i].size != 0 ? kSkin[i].size : strlen(kSkin[i].content);
    CHECK(file != NULL && fwrite(kSkin[i].content, 1, size, file) == size);
    if (file != NULL) fclose(file);
  }
  return ++((Source*)self)->initialized, 0;
}
static int32_t HOSTCALL SourceUninitialize(void* self) {
  return ++((Source*)self)->uninitialized, 0;
}
static int32_t HOSTCALL SourceGetNextName(HOST_UNUSED void* self, void* out, int32_t* position) {
  if (*position < 0 || *position >= kSkinFiles) return Give(out, ""), 1; /* "" ends it */
  return Give(out, kSkin[(*position)++].name);
}
static int32_t HOSTCALL SourceGetFirstName(void* self, void* out, int32_t* position) {
  *position = 0;
  return SourceGetNextName(self, out, position);
}
static int32_t HOSTCALL SourceGetSourcePath(HOST_UNUSED void* self, void* out, const char* name) {
  return Give(out, At("skin/", name, 0));
}

static const HostSlot kSourceTable[] = HOST_TABLE(
    [0] = SLOT(SourceQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(SourceInitialize), [4] = SLOT(SourceUninitialize),
    [5] = SLOT(SourceGetFirstName), [6] = SLOT(SourceGetNextName),
    [7] = SLOT(SourceGetSourcePath));
static Source source = {{kSourceTable, 1, "file source"}, 0, 0};

/* ---- The resolver: "Greet(x)" is "Hello, x" -------------------------------- */

/* One object with two interfaces: ITplResolver, and ITplResolverEx at ex,
 * which shares the count. */
typedef struct Greeter {
  Counted base, ex;
  int initialized, uninitialized;
} Greeter;

static Greeter* GreeterOfEx(void* ex) { return (Greeter*)((char*)ex - offsetof(Greeter, ex)); }

static int32_t HOSTCALL GreeterQuery(void* self, const IID16* iid, void** out) {
  Greeter* greeter = (Greeter*)self;
  if (out == NULL) return 1;
  *out = NULL;
  if (memcmp(iid, &kIidResolver, sizeof *iid) == 0) *out = greeter;
  if (memcmp(iid, &kIidResolverEx, sizeof *iid) == 0) *out = &greeter->ex;
  if (*out == NULL) return HOST_E_NOTIMPL;
  return ++greeter->base.count, 0;
}
static int32_t HOSTCALL GreeterInitialize(void* self) { return ++((Greeter*)self)->initialized, 0; }
static int32_t HOSTCALL GreeterUninitialize(void* self) {
  return ++((Greeter*)self)->uninitialized, 0;
}
static int32_t HOSTCALL GreeterGetFirstName(HOST_UNUSED void* self, void* name, int32_t* position) {
  *position = 1;
  return Give(name, "Greet");
}
static int32_t HOSTCALL GreeterGetNextName(HOST_UNUSED void* self, void* name,
                                           HOST_UNUSED int32_t* position) {
  return Give(name, ""), 1;
}
static int32_t HOSTCALL GreeterOnNameConflict(HOST_UNUSED void* self,
                                              HOST_UNUSED const char* name) {
  return 0;
}
/* Reads the call through string objects of its own. */
static int32_t HOSTCALL GreeterResolve(HOST_UNUSED void* self, void* call_object) {
  const MacroCallVtbl* call = *(const MacroCallVtbl**)call_object;
  CvoString* name = NewHostString(NULL);
  CvoString* argument = NewHostString(NULL);
  int32_t count = 0, result = 1;
  char text[128];
  if (name != NULL && argument != NULL) {
    call->GetName(call_object, name);
    if (strcmp(TextOf(name), "Greet") == 0 && call->GetArgCount(call_object, &count) == 0) {
      if (count > 0) call->GetArg(call_object, 0, argument);
      snprintf(text, sizeof text, "Hello, %s", TextOf(argument));
      result = call->SetResult(call_object, text);
    }
  }
  Drop(name);
  Drop(argument);
  return result;
}

static int32_t HOSTCALL GreeterExQuery(void* self, const IID16* iid, void** out) {
  return GreeterQuery(GreeterOfEx(self), iid, out);
}
static int32_t HOSTCALL GreeterExAddRef(void* self) { return CountedAddRef(GreeterOfEx(self)); }
static int32_t HOSTCALL GreeterExRelease(void* self) { return CountedRelease(GreeterOfEx(self)); }
static int32_t HOSTCALL GreeterMapText(HOST_UNUSED void* self, void* out, const char* text) {
  char mapped[128];
  snprintf(mapped, sizeof mapped, "map:%s", text);
  return Give(out, mapped);
}
static int32_t HOSTCALL GreeterQueryMacro(HOST_UNUSED void* self, void* out, const char* text) {
  char queried[128];
  snprintf(queried, sizeof queried, "query:%s", text);
  return Give(out, queried);
}

static const HostSlot kGreeterTable[] = HOST_TABLE(
    [0] = SLOT(GreeterQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(GreeterInitialize), [4] = SLOT(GreeterUninitialize),
    [5] = SLOT(GreeterGetFirstName), [6] = SLOT(GreeterGetNextName),
    [7] = SLOT(GreeterOnNameConflict), [8] = SLOT(GreeterResolve));
static const HostSlot kGreeterExTable[] = HOST_TABLE(
    [0] = SLOT(GreeterExQuery), [1] = SLOT(GreeterExAddRef), [2] = SLOT(GreeterExRelease),
    [7] = SLOT(GreeterMapText), [8] = SLOT(GreeterQueryMacro));
static Greeter greeter = {
    {kGreeterTable, 1, "resolver"}, {kGreeterExTable, 0, "extended resolver"}, 0, 0};

/* ---- A statement object of the host's own ---------------------------------- */

typedef struct Statement {
  Counted base;
  const char *text, *name, *target, *arguments[2];
  int32_t argument_count;
  char result[128]; /* "" until a result is set */
} Statement;

static int32_t HOSTCALL StatementQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, &kIidMacroCall, HOST_E_INVALIDARG);
}
static int32_t HOSTCALL StatementGetText(void* self, void* out) {
  return Give(out, ((Statement*)self)->text);
}
static int32_t HOSTCALL StatementGetName(void* self, void* out) {
  return Give(out, ((Statement*)self)->name), 0;
}
static int32_t HOSTCALL StatementGetMember(HOST_UNUSED void* self, void* out) {
  return Give(out, ""), 0;
}
static int32_t HOSTCALL StatementGetArgCount(void* self, int32_t* count) {
  if (count == NULL) return 1;
  return *count = ((Statement*)self)->argument_count, 0;
}
static int32_t HOSTCALL StatementGetArg(void* self, int32_t index, void* out) {
  const Statement* statement = (const Statement*)self;
  if (index < 0 || index >= statement->argument_count) return 1;
  return Give(out, statement->arguments[index]);
}
static int32_t HOSTCALL StatementGetAssignTarget(void* self, void* out) {
  return Give(out, ((Statement*)self)->target);
}
/* The statement stands alone: no expression owns it. */
static int32_t HOSTCALL StatementOwnerless(HOST_UNUSED void* self, void** out) {
  if (out != NULL) *out = NULL;
  return 1;
}
static int32_t HOSTCALL StatementSetResult(void* self, const char* text) {
  if (text != NULL)
    snprintf(((Statement*)self)->result, sizeof((Statement*)self)->result, "%s", text);
  return 0;
}
static int32_t HOSTCALL StatementGetResult(void* self, void* out) {
  const Statement* statement = (const Statement*)self;
  return statement->result[0] == '\0' ? 1 : Give(out, statement->result);
}
static int32_t HOSTCALL StatementSetResultObject(HOST_UNUSED void* self, HOST_UNUSED void* object) {
  return 0;
}

static const HostSlot kStatementTable[] = HOST_TABLE(
    [0] = SLOT(StatementQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [4] = SLOT(StatementGetText), [5] = SLOT(StatementGetName), [6] = SLOT(StatementGetMember),
    [7] = SLOT(StatementGetArgCount), [8] = SLOT(StatementGetArg),
    [9] = SLOT(StatementGetAssignTarget), [10] = SLOT(StatementOwnerless),
    [11] = SLOT(StatementOwnerless), [12] = SLOT(StatementSetResult),
    [13] = SLOT(StatementGetResult), [14] = SLOT(StatementSetResultObject));

/* ---- The checks -------------------------------------------------------------- */

/* The manager's three interfaces (their identity is the C++ tests'); the
 * host is kept from Initialize on and handed back with a reference. */
static void Open(CreateManagerFn create_manager) {
  void* got = NULL;
  CHECK(create_manager(NULL) == 0); /* nothing to hand out to, and 0 */
  CHECK(create_manager(&manager) == 0 && manager != NULL);
  if (manager == NULL) exit(Verdict());
  CHECK(manager->vtbl->QueryInterface(manager, &kIidFileCopier, (void**)&copier) == 0);
  CHECK(manager->vtbl->QueryInterface(manager, &kIidMacroServices, (void**)&services) == 0);
  if (copier == NULL || services == NULL) exit(Verdict());
  CHECK(copier->vtbl->Initialize(copier, &host) == 0 && host.base.count == 2);
  CHECK(manager->vtbl->GetHost(manager, &got) == 0 && got == &host && host.base.count == 3);
  CountedRelease(&host);
}

/* Calls that answer in a host string holding "(unchanged)": their result,
 * the string's text and the host's record meanwhile. */
static void CheckAnswers(void) {
  enum Call { kResolve, kEvaluate, kMap, kQuery, kQueryAndMap };
  static const struct {
    enum Call call;
    const char* text;
    const char* host_map; /* what the host's MapFileName answers; NULL: it declines */
    int32_t result;
    const char *value, *record;
  } kCases[] = {
      {kResolve, "'abc'", NULL, 0, "abc", ""},
      {kResolve, "System.Title", NULL, 0, "Strict", ""},
      {kEvaluate, "System.NoSuchValue", NULL, 0, "System.NoSuchValue", ""},
      {kEvaluate, "Concat(System.Title, '!')", NULL, 0, "Strict!", ""},
      {kEvaluate, "ReplaceMacros('[%System.Title%]')", NULL, 0, "[Strict]", ""},
      {kEvaluate, "AssignString(IsTrue('yes'), System.Title, 'no')", NULL, 0, "Strict", ""},
      {kEvaluate, "v = Concat('a', 'b'); Concat(v, v)", NULL, 0, "abab", ""},
      {kEvaluate, "kept$$ = Greet(you)", NULL, 0, "", ""},
      {kResolve, "kept$$", NULL, 0, "Hello, you", ""},
      {kEvaluate, "Concat('<', Greet(x), '>')", NULL, 0, "<Hello, x>", ""},
      {kEvaluate, "HelloC", NULL, 0, "hello from C:strict", ""},
#if defined(_WIN32)
      /* Through the component runtime's XML DOM. (On Linux the C++ tests
       * cover it: libxml2 keeps state that a host unloading the library
       * cannot free, which the leak check would report here.) */
      {kEvaluate,
       "Transform('<a>x</a>', '<xsl:stylesheet version=\"1.0\" "
       "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output method=\"text\"/>"
       "<xsl:template match=\"/\">[<xsl:value-of select=\"a\"/>]</xsl:template>"
       "</xsl:stylesheet>')",
       NULL, 0, "[x]", ""},
#endif
      {kEvaluate, "NoSuchName", NULL, 0, "(unchanged)",
       "Template Error: can not resolve macro: NoSuchName \r\n"},
      {kMap, "C:/a/b/c.htm", NULL, 0, "c.htm", "[asked to map C:/a/b/c.htm]"},
      {kMap, "a/b.htm", NULL, 0, "a\\b.htm", "[asked to map a/b.htm]"},
      {kMap, "C:/a/b/c.htm", "mine.htm", 0, "mine.htm", "[asked to map C:/a/b/c.htm]"},
      /* The resolver's extended interface answers, slots 8 and 7. */
      {kQuery, "Greet(x)", NULL, 0, "query:Greet(x)", ""},
      {kQueryAndMap, "Greet(x)", NULL, 0, "map:query:Greet(x)", ""},
      /* The function library has no such interface. */
      {kQuery, "Concat('a')", NULL, 1, "(unchanged)", ""},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    const char* text = kCases[i].text;
    CvoString* out = NewHostString("(unchanged)");
    int32_t result = -1;
    ClearHostRecord();
    host.map_answer = kCases[i].host_map;
    switch (kCases[i].call) {
      case kResolve: result = manager->vtbl->ResolveMacroText(manager, text, out); break;
      case kEvaluate: result = manager->vtbl->EvaluateExpression(manager, text, out); break;
      case kMap: result = manager->vtbl->MapFileName(manager, out, text); break;
      case kQuery: result = copier->vtbl->QueryMacro(copier, text, out); break;
      case kQueryAndMap: result = copier->vtbl->QueryAndMapMacro(copier, text, out); break;
    }
    CHECK(result == kCases[i].result);
    CHECK_TEXT(TextOf(out), kCases[i].value);
    CHECK_TEXT(host.log, kCases[i].record);
    Drop(out);
  }
  host.map_answer = NULL;
  CHECK(greeter.base.count == 2); /* the registry's reference only */
}

/* The manager resolves a statement object of the host's own: literal,
 * built-in function with evaluated arguments, the host's resolver with an
 * assignment, and an unknown name. */
static void CheckHostStatement(void) {
#define STATEMENT(text, name, target, count, a0, a1) \
  { {kStatementTable, 1, "statement"}, text, name, target, {a0, a1}, count, "" }
  static const struct {
    Statement statement;
    int32_t resolved;
    const char *result, *messages;
  } kCases[] = {
      {STATEMENT("'lit'", "'lit'", "", 0, NULL, NULL), 0, "lit", ""},
      {STATEMENT("Concat('a', System.Title)", "Concat", "", 2, "'a'", "System.Title"), 0, "aStrict",
       ""},
      {STATEMENT("held$$ = Greet(z)", "Greet", "held$$", 1, "z", NULL), 0, "Hello, z", ""},
      {STATEMENT("Nope()", "Nope", "", 0, NULL, NULL), 1, "",
       "Template Error: can not resolve macro: Nope() \r\n"},
  };
#undef STATEMENT
  size_t i;
  CvoString* held = NewHostString(NULL);
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    Statement statement = kCases[i].statement;
    ClearHostRecord();
    CHECK(services->vtbl->ResolveMacroCall(services, &statement) == kCases[i].resolved);
    CHECK_TEXT(statement.result, kCases[i].result);
    CHECK_TEXT(host.log, kCases[i].messages);
    CHECK(statement.base.count == 1);
  }
  /* The assignment landed in the manager's global scope. */
  CHECK(manager->vtbl->ResolveMacroText(manager, "held$$", held) == 0);
  CHECK_TEXT(TextOf(held), "Hello, z");
  Drop(held);
}

/* A copy pass and an update pass, with the messages and progress of each. */
static void CheckCopyAndUpdate(void) {
  char expected[1024];
  char dots[67]; /* 0, 33 and 33 dots before the three entries */
  CvoString* out = NewHostString(NULL);
  size_t i;
  CHECK(manager->vtbl->AddFileSource(manager, &source) == 0);
  CHECK(source.initialized == 1);
  CHECK(source.base.count == 1 + kSkinFiles); /* one reference per file */
  CHECK(manager->vtbl->SetSystemValue(manager, "System.ResultFolderName", At("", "out/", 0)) == 0);

  /* One file ahead of the pass; its destination comes back in out. */
  ClearHostRecord();
  CHECK(copier->vtbl->CopyTemplateFile(copier, "INDEX.HTM", out) == 0);
  CHECK_TEXT(TextOf(out), At("out/", "index.htm", 1));
  CHECK(copier->vtbl->CopyFilesByHost(copier) == 0);
  CHECK(host.notified == kSkinFiles);
  /* With a destination given, the copy goes there. */
  Give(out, At("out/", "copy.bin", 0));
  CHECK(copier->vtbl->CopyTemplateFile(copier, "logo.bin", out) == 0);
  CHECK(FileHolds(At("out/", "copy.bin", 0), kLogo, sizeof kLogo - 1));

  ClearHostRecord();
  CHECK(manager->vtbl->AddUpdateFile(manager, "index.htm") == 0);
  CHECK(manager->vtbl->AddUpdateFile(manager, "sub/page.css") == 0);
  CHECK(manager->vtbl->AddUpdateFile(manager, "missing.htm") == 0);
  CHECK(copier->vtbl->UpdateFilesByHost(copier) == 0);
  memset(dots, '.', sizeof dots - 1);
  dots[sizeof dots - 1] = '\0';
  snprintf(expected, sizeof expected,
           "Template Error: can not resolve macro: NoSuchName in %s\r\n"
           "%s\r\nError: Fail to update Template file missing.htm\r\n\r\n",
           At("out/", "index.htm", 1), dots);
  CHECK_TEXT(host.log, expected);
  CHECK_TEXT(host.progress, "0/3 1/3 2/3 ");
  CHECK(host.notified == 3);
  for (i = 0; i < kSkinFiles; ++i) {
    const char* want = kSkin[i].patched != NULL ? kSkin[i].patched : kSkin[i].content;
    CHECK(FileHolds(At("out/", kSkin[i].name, 0), want,
                    kSkin[i].patched != NULL ? strlen(want) : kSkin[i].size));
  }

  CHECK(manager->vtbl->RemoveFileSource(manager, &source) == 0);
  CHECK(source.uninitialized == 1 && source.base.count == 1);
  Drop(out);
}

/* ---- A host that listens for diagnostics ----------------------------------- */

/* The same host callback, answering ITplDiagnostics with a second object
 * whose Report writes "code severity line:column [statement] reason|" into
 * the host's log, so that its order among the messages shows. */
typedef struct Listener {
  Counted base;
  Host* host;
} Listener;

static Host listening_host;
static Listener listener;

static int32_t HOSTCALL ListeningHostQuery(void* self, const IID16* iid, void** out) {
  if (out != NULL && memcmp(iid, &kIidDiagnostics, sizeof *iid) == 0) {
    ++listener.base.count;
    *out = &listener;
    return 0;
  }
  return HostQuery(self, iid, out);
}
static int32_t HOSTCALL ListenerQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, &kIidDiagnostics, HOST_E_NOTIMPL);
}
static int32_t HOSTCALL ListenerReport(void* self, const Diagnostic* d) {
  char line[512];
  snprintf(line, sizeof line, "%s %s %d:%d [%s] %s|", d->code, d->severity == 0 ? "error" : "warning",
           (int)d->line, (int)d->column, d->statement, d->reason);
  Append(((Listener*)self)->host->log, sizeof listening_host.log, line);
  return 0;
}
static const HostSlot kListeningHostTable[] = HOST_TABLE(
    [0] = SLOT(ListeningHostQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(HostOutput), [6] = SLOT(HostProgress), [7] = SLOT(HostMapFileName),
    [9] = SLOT(HostNotifyFile), [11] = SLOT(HostShouldContinue));
static const HostSlot kListenerTable[] = HOST_TABLE(
    [0] = SLOT(ListenerQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(ListenerReport));
static Host listening_host = {
    {kListeningHostTable, 1, "listening host callback"}, "", "", 0, NULL, 0, ""};
static Listener listener = {{kListenerTable, 1, "diagnostics"}, &listening_host};

/* A manager of its own with the listening host: each statement's reasons,
 * an error just before the message it explains, and the references back. */
static void CheckDiagnostics(CreateManagerFn create_manager, CreateResolversFn create_resolvers) {
  static const struct {
    const char *text, *value, *record;
  } kCases[] = {
      {"Replace('abc', 'b')", "(unchanged)",
       "argument-count error 0:0 [Replace('abc', 'b')] Replace takes an odd number, at least 3 "
       "arguments, not 2|Template Error: can not resolve macro: Replace('abc', 'b') \r\n"},
      {"System.titel", "System.titel",
       "unknown-system-key warning 0:0 [System.titel] 'System.titel' is not set; did you mean "
       "'System.Title'?|"},
      {"Concat('a', 'b')", "ab", ""},
  };
  Manager* m = NULL;
  FileCopier* c = NULL;
  ResolverSet* builtins = NULL;
  size_t i;
  CHECK(create_manager(&m) == 0 && m != NULL);
  CHECK(create_resolvers(&builtins) == 0 && builtins != NULL);
  if (m == NULL || builtins == NULL) exit(Verdict());
  CHECK(m->vtbl->QueryInterface(m, &kIidFileCopier, (void**)&c) == 0);
  CHECK(c->vtbl->Initialize(c, &listening_host) == 0 && listener.base.count == 2);
  CHECK(builtins->vtbl->SetManager(builtins, m) == 0 && builtins->vtbl->Initialize(builtins) == 0);
  CHECK(m->vtbl->SetSystemValue(m, "System.Title", "Strict") == 0);
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = NewHostString("(unchanged)");
    listening_host.log[0] = '\0';
    CHECK(m->vtbl->EvaluateExpression(m, kCases[i].text, out) == 0);
    CHECK_TEXT(TextOf(out), kCases[i].value);
    CHECK_TEXT(listening_host.log, kCases[i].record);
    Drop(out);
  }
  CHECK(builtins->vtbl->Uninitialize(builtins) == 0 && builtins->vtbl->Release(builtins) == 0);
  CHECK(c->vtbl->Terminate(c) == 0);
  CHECK(listener.base.count == 1 && listening_host.base.count == 1);
  CHECK(c->vtbl->Release(c) == 1);
  CHECK(m->vtbl->Release(m) == 0);
}

static void Run(CreateManagerFn create_manager, CreateResolversFn create_resolvers) {
  ResolverSet* builtins = NULL;
  Open(create_manager);

  /* The built-in functions, the host's resolver and the C module's. */
  CHECK(create_resolvers(&builtins) == 0 && builtins != NULL);
  if (builtins == NULL) exit(Verdict());
  CHECK(builtins->vtbl->SetManager(builtins, manager) == 0);
  CHECK(builtins->vtbl->Initialize(builtins) == 0);
  CHECK(manager->vtbl->AddResolver(manager, &greeter) == 0);
  CHECK(greeter.initialized == 1 && greeter.base.count == 2);
  CHECK(copier->vtbl->AddResolverModuleByHost(copier, "libql-test-module-c.so", "host",
                                              "strict") == 0);
  CHECK(manager->vtbl->SetSystemValue(manager, "System.Title", "Strict") == 0);

  CheckAnswers();
  CheckHostStatement();
  CheckCopyAndUpdate();

  CHECK(manager->vtbl->RemoveResolver(manager, &greeter) == 0);
  CHECK(greeter.uninitialized == 1 && greeter.base.count == 1);
  CHECK(builtins->vtbl->Uninitialize(builtins) == 0);
  CHECK(builtins->vtbl->Release(builtins) == 0);
  CHECK(copier->vtbl->Terminate(copier) == 0);
  CHECK(host.base.count == 1);
  CHECK(services->vtbl->Release(services) == 2);
  CHECK(copier->vtbl->Release(copier) == 1);
  CHECK(manager->vtbl->Release(manager) == 0);
}

int main(void) {
  CreateManagerFn create_manager = NULL;
  CreateResolversFn create_resolvers = NULL;
  void* library = HostLoadLibrary(QUENLOFT_LIBRARY_FILE);
#if defined(_WIN32)
  /* Transform uses the component runtime's XML DOM there. */
  const HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
#endif
  CHECK(library != NULL);
  if (library != NULL) {
    CHECK(HostEntry(library, "CreateTemplateManagerInstance", &create_manager,
                    sizeof create_manager));
    CHECK(HostEntry(library, "CreateTemplateResolversInstance", &create_resolvers,
                    sizeof create_resolvers));
    if (create_manager != NULL && create_resolvers != NULL) {
      Run(create_manager, create_resolvers);
      CheckDiagnostics(create_manager, create_resolvers);
    }
    CHECK(HostFreeLibrary(library) == 0);
  }
  CHECK(host_strings_alive == 0);
#if defined(_WIN32)
  if (SUCCEEDED(com)) CoUninitialize();
#endif
  return Verdict();
}
