/* The contract's behaviour over several calls, as a host written from the
 * descriptions alone checks it through the tables of the objects
 * (contract_host.h): the registry's first holder, variables and the scopes
 * an assignment lands in, the copy and update passes, the library's own
 * resolver set and module, and the diagnostics a listening host hears.
 * What statements give is tabled in tests/data/statements. */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "c_abi/contract_host.h"

/* ---- A host resolver: lists names, answers every call with a tag ------------ */

typedef struct NameResolver {
  Counted base;
  const char* names[3]; /* listed in order; NULL ends */
  const char* tag;      /* the result it gives; NULL: none */
  int32_t answer;       /* what Resolve returns */
  int initialized, uninitialized, conflicts;
  char conflict[64]; /* the last name OnNameConflict was told */
} NameResolver;

static int32_t HOSTCALL NameResolverQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, &kIidResolver, 1);
}
static int32_t HOSTCALL NameResolverInitialize(void* self) {
  return ++((NameResolver*)self)->initialized, 0;
}
static int32_t HOSTCALL NameResolverUninitialize(void* self) {
  return ++((NameResolver*)self)->uninitialized, 0;
}
static int32_t HOSTCALL NameResolverGetNextName(void* self, void* name, int32_t* position) {
  const NameResolver* r = (const NameResolver*)self;
  if (*position < 0 || *position >= 3 || r->names[*position] == NULL) return Give(name, ""), 1;
  return Give(name, r->names[(*position)++]);
}
static int32_t HOSTCALL NameResolverGetFirstName(void* self, void* name, int32_t* position) {
  *position = 0;
  return NameResolverGetNextName(self, name, position);
}
static int32_t HOSTCALL NameResolverOnNameConflict(void* self, const char* name) {
  NameResolver* r = (NameResolver*)self;
  snprintf(r->conflict, sizeof r->conflict, "%s", name);
  return ++r->conflicts, 0;
}
static int32_t HOSTCALL NameResolverResolve(void* self, void* call) {
  const NameResolver* r = (const NameResolver*)self;
  if (r->tag != NULL) (*(const MacroCallVtbl**)call)->SetResult(call, r->tag);
  return r->answer;
}
static const HostSlot kNameResolverTable[] = HOST_TABLE(
    [0] = SLOT(NameResolverQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(NameResolverInitialize), [4] = SLOT(NameResolverUninitialize),
    [5] = SLOT(NameResolverGetFirstName), [6] = SLOT(NameResolverGetNextName),
    [7] = SLOT(NameResolverOnNameConflict), [8] = SLOT(NameResolverResolve));
#define NAME_RESOLVER(label, tag, answer, ...) \
  { {kNameResolverTable, 1, label}, {__VA_ARGS__}, tag, answer, 0, 0, 0, "" }

/* A scope lists no names: position 0 and an empty name. */
static void CheckScopeListing(void) {
  void* scope = NULL;
  CvoString* name = NewHostString("(unchanged)");
  int32_t position = 5;
  if (!CHECK(QUERY(manager, &kIidVariables, &scope) == 0 && scope != NULL && name != NULL)) return;
  CHECK(CALL(FnPP, scope, 5, name, &position) == 0 && position == 0);
  CHECK_TEXT(TextOf(name), "");
  Give(name, "(unchanged)");
  position = 5;
  CHECK(CALL(FnPP, scope, 6, name, &position) == 0 && position == 0);
  CHECK_TEXT(TextOf(name), "");
  Drop(name);
}

/* A name is registered once, however often it is set; a removed variable's
 * name still reaches the scope, which then gives no result. */
static void CheckScopeVariables(void) {
  void* scope = NULL;
  int32_t count;
  char buffer[64];
  if (!CHECK(QUERY(manager, &kIidVariables, &scope) == 0 && scope != NULL)) return;
  count = CALL0(scope, 1) - 1;
  RELEASE(scope);
  CHECK(CALL(FnSS, scope, 9, "once$$", "1") == 1 && CALL(FnSS, scope, 9, "once$$", "2") == 1);
  CHECK(CALL0(scope, 1) == count + 2 && RELEASE(scope) == count + 1);
  CHECK(CALL(FnS, scope, 11, "once$$") == 0 && CALL(FnS, scope, 11, "once$$") == 1);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerEvaluateExpression, "Concat(once$$)", buffer, sizeof buffer),
             "once$$");
  CHECK_TEXT(host.log, "");
  RELEASE(scope);
}

/* ---- The registry: the first holder keeps a name ----------------------------- */

/* A host resolver in C: initialised, told of a conflict, answering, and
 * let go (how names are held is tabled in registry.txt). */
static void CheckRegistry(void) {
  NameResolver a = NAME_RESOLVER("resolver A", "from A", 0, "Shared", "OnlyA", NULL);
  NameResolver b = NAME_RESOLVER("resolver B", "from B", 0, "Shared", "shared", "OnlyB");
  char buffer[64];
  void* scope = NULL;
  CHECK(CALL(FnP, manager, 3, &a) == 0 && a.initialized == 1 && a.base.count == 3);
  CHECK(CALL(FnP, manager, 3, &b) == 0 && b.initialized == 1);
  CHECK(a.conflicts == 1 && !strcmp(a.conflict, "Shared") && b.conflicts == 0);
  CHECK(b.base.count == 3); /* "shared" and "OnlyB", not "Shared" */
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "from A");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "shared", buffer, sizeof buffer), "from B");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "OnlyB.x(1)", buffer, sizeof buffer), "from B");
  /* A scope's variable under a name the function library holds stays
   * with the library. */
  CHECK(QUERY(manager, &kIidVariables, &scope) == 0 && scope != NULL);
  if (scope != NULL) {
    CHECK(CALL(FnSS, scope, 9, "Concat", "v") == 1);
    CHECK_TEXT(Answer(kManagerEvaluateExpression, "Concat('ok')", buffer, sizeof buffer), "ok");
    CHECK(CALL(FnS, scope, 11, "Concat") == 0 && CALL(FnS, scope, 11, "Concat") == 1);
    RELEASE(scope);
  }
  CHECK(CALL(FnP, manager, 4, &b) == 0 && b.uninitialized == 1 && b.base.count == 1);
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "from A");
  CHECK(CALL(FnP, manager, 4, &a) == 0 && a.uninitialized == 1 && a.base.count == 1);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, UNKNOWN "Shared \r\n");
}

/* ---- Messages ------------------------------------------------------------------ */

/* A long name is reported whole (what statements give is tabled in
 * tests/data/statements). */
static void CheckLongName(void) {
  char name[701], message[760], value[64];
  memset(name, 'n', sizeof name - 1);
  name[sizeof name - 1] = '\0';
  snprintf(message, sizeof message, UNKNOWN "%s \r\n", name);
  ClearHostRecord();
  Answer(kManagerResolveMacroText, name, value, sizeof value);
  CHECK_TEXT(host.log, message);
}

/* Assignments made for a context land in its scope: an expression's for
 * names without an ending, a file's for names ending in "$"; a file names
 * itself in the message about a statement nobody resolves. */
static void CheckContexts(void) {
  void *file = NULL, *expression = NULL, *call = NULL;
  uint32_t position = 0;
  CvoString* out = NewHostString(NULL);
  char buffer[64];
  CALL(FnP, services, kServicesCreatePatchedFile, &file);
  if (!CHECK(file != NULL && out != NULL)) return;
  CALL(FnPP, services, kServicesCreateExpression, &expression, file);
  if (!CHECK(expression != NULL)) return;
  CHECK(CALL(FnS, expression, 3, "'first'; 'second'") == 0);
  {
    void *clone = NULL, *owner = NULL;
    CHECK(CALL(FnP, expression, 9, &clone) == 0 && clone != NULL);
    if (clone != NULL) {
      CHECK(CALL(FnP, clone, 8, &owner) == 0 && owner == file);
      if (owner != NULL) RELEASE(owner);
      CHECK(CALL(FnP, clone, 7, out) == 0);
      CHECK_TEXT(TextOf(out), "firstsecond");
      CHECK(RELEASE(clone) == 0);
    }
  }
  CHECK(CALL(FnPP, expression, 5, &call, &position) == 0 && call != NULL);
  if (call == NULL) return;

  CHECK(CALL(FnSPP, manager, 14, "k1 = 'in'", expression, out) == 0);
  CHECK(CALL(FnSPP, manager, 16, "k2 = 'for'", call, out) == 0);
  CHECK(CALL(FnSPP, manager, 15, "k3$ = 'file'", file, out) == 0);
  CHECK(CALL(FnSPP, manager, 16, "k4 = 'none'", NULL, out) == 0);
  CHECK_TEXT(TextOf(out), "none");
  CHECK(CALL(FnSPP, manager, 14, "Concat(k1, k2)", expression, out) == 0);
  CHECK_TEXT(TextOf(out), "infor");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "k3$", buffer, sizeof buffer), "file");
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerResolveMacroText, "k4", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, UNKNOWN "k4 \r\n");

  /* Evaluating the expression ends its scope. */
  CHECK(CALL(FnP, expression, 7, out) == 0);
  CHECK_TEXT(TextOf(out), "firstsecond");
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerResolveMacroText, "k1", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, UNKNOWN "k1 \r\n");

  ClearHostRecord();
  CHECK(CALL(FnS, file, 3, "<!--%Foo.Bar%-->") == 0 && CALL(FnS, file, 5, "dir/a.htm") == 0);
  CHECK(CALL(FnP, file, 7, out) == 0);
  CHECK_TEXT(TextOf(out), "<!--%Foo.Bar%-->");
  CHECK_TEXT(host.log, UNKNOWN "Foo.Bar in dir/a.htm\r\n");
  RELEASE(call);
  CHECK(RELEASE(expression) == 0 && RELEASE(file) == 0);
  Drop(out);
}

/* The update pass over the one entry registered above (twice, in two
 * spellings): the failure, a progress call, the line end; a host that
 * stops skips the deferred files, and an updated entry is not done again. */
static void CheckUpdatePass(void) {
  CHECK(CALL(FnS, manager, 8, "C:/OUT/Sub/x.htm") == 0);
  CHECK(CALL(FnS, manager, 8, "sub/X.HTM") == 0);
  ClearHostRecord();
  host.stop = 1;
  CHECK(CALL0(copier, 7) == 0);
  CHECK_TEXT(host.log, "\r\nError: Fail to update Template file Sub\\x.htm\r\n\r\n");
  CHECK_TEXT(host.progress, "0/1 ");
  CHECK_TEXT(host.notified_path, "C:\\out\\Sub\\x.htm");
  ClearHostRecord();
  host.stop = 0;
  CHECK(CALL0(copier, 7) == 0);
  CHECK_TEXT(host.log, "\r\n");
  CHECK_TEXT(host.progress, "0/1 ");
  CHECK(host.notified == 0);
}

/* ---- The copy pass: destinations of names ------------------------------------ */

/* A file source whose names are paths in the manager's temporary folder
 * (told at Initialize); a name's source is "skin/<last part>", with "full-"
 * before the last part for a full path. */
typedef struct PathSource {
  Counted base;
  char folder[400]; /* the temporary folder, ending in a separator */
  char names[4][600];
} PathSource;

static const char* LastPart(const char* path) {
  const char* part = path;
  for (; *path != '\0'; ++path)
    if (*path == '/' || *path == '\\') part = path + 1;
  return part;
}
static int32_t HOSTCALL PathSourceInitialize(void* self, const char* folder) {
  static const char* const kSkin[][2] = {
      {"full-in.htm", "inside"}, {"full-far.txt", "far"}, {"same.txt", "first"},
      {"full-same.txt", "second"}};
  PathSource* source = (PathSource*)self;
  char path[700];
  size_t i, n = strlen(folder);
  snprintf(source->folder, sizeof source->folder, "%s%s", folder,
           n > 0 && (folder[n - 1] == '/' || folder[n - 1] == '\\') ? "" : "/");
#if defined(_WIN32)
  snprintf(path, sizeof path, "%sskin", source->folder), CreateDirectoryA(path, NULL);
  snprintf(path, sizeof path, "%sout", source->folder), CreateDirectoryA(path, NULL);
#else
  snprintf(path, sizeof path, "%sskin", source->folder), mkdir(path, 0700);
  snprintf(path, sizeof path, "%sout", source->folder), mkdir(path, 0700);
#endif
  for (i = 0; i < 4; ++i) {
    snprintf(path, sizeof path, "%sskin/%s", source->folder, kSkin[i][0]);
    WriteText(path, kSkin[i][1]);
  }
  /* Inside the result folder; elsewhere; two with one destination. */
  snprintf(source->names[0], sizeof source->names[0], "%sout/sub/in.htm", source->folder);
  snprintf(source->names[1], sizeof source->names[1], "/elsewhere/dir/far.txt");
  snprintf(source->names[2], sizeof source->names[2], "a/same.txt");
  snprintf(source->names[3], sizeof source->names[3], "%sout/a/same.txt", source->folder);
  return 0;
}
static int32_t HOSTCALL PathSourceGetNextName(void* self, void* out, int32_t* position) {
  if (*position < 0 || *position >= 4) return Give(out, ""), 1;
  return Give(out, ((PathSource*)self)->names[(*position)++]);
}
static int32_t HOSTCALL PathSourceGetFirstName(void* self, void* out, int32_t* position) {
  *position = 0;
  return PathSourceGetNextName(self, out, position);
}
static int32_t HOSTCALL PathSourceGetSourcePath(void* self, void* out, const char* name) {
  const int full = name[0] == '/' || name[0] == '\\' || (name[0] != '\0' && name[1] == ':');
  char path[700];
  snprintf(path, sizeof path, "%sskin/%s%s", ((PathSource*)self)->folder, full ? "full-" : "",
           LastPart(name));
  return Give(out, path);
}
static int32_t HOSTCALL PathSourceUninitialize(HOST_UNUSED void* self) { return 0; }
static const HostSlot kPathSourceTable[] = HOST_TABLE(
    [0] = SLOT(PlainQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(PathSourceInitialize), [4] = SLOT(PathSourceUninitialize),
    [5] = SLOT(PathSourceGetFirstName), [6] = SLOT(PathSourceGetNextName),
    [7] = SLOT(PathSourceGetSourcePath));

/* A second manager copies names given as paths: one inside the result
 * folder keeps its place, one elsewhere lands in the root, the later of
 * two with one destination wins. The manager's temporary folder goes with
 * it. */
static void CheckCopyPass(FactoryFn create_manager) {
  PathSource source = {{kPathSourceTable, 1, "path source"}, "", {"", "", "", ""}};
  void *m = NULL, *c = NULL;
  char path[700], text[64];
  FILE* gone;
  if (!CHECK(create_manager(&m) == 0 && m != NULL)) return;
  CHECK(QUERY(m, &kIidFileCopier, &c) == 0 && c != NULL);
  if (c == NULL) return;
  CHECK(CALL(FnP, c, 3, &host) == 0);
  CHECK(CALL(FnP, m, 5, &source) == 0 && source.base.count == 5);
  snprintf(path, sizeof path, "%sout/", source.folder);
  CHECK(CALL(FnSS, m, 10, "System.ResultFolderName", path) == 0);
  ClearHostRecord();
  CHECK(CALL0(c, 6) == 0 && host.notified == 4);
  CHECK_TEXT(host.log, "");
  snprintf(path, sizeof path, "%sout/sub/in.htm", source.folder);
  CHECK(FileText(path, text, sizeof text));
  CHECK_TEXT(text, "inside");
  snprintf(path, sizeof path, "%sout/far.txt", source.folder);
  CHECK(FileText(path, text, sizeof text));
  CHECK_TEXT(text, "far");
  snprintf(path, sizeof path, "%sout/a/same.txt", source.folder);
  CHECK(FileText(path, text, sizeof text));
  CHECK_TEXT(text, "second");

  CHECK(CALL(FnP, m, 6, &source) == 0 && source.base.count == 1);
  CHECK(CALL0(c, 5) == 0 && RELEASE(c) == 1 && RELEASE(m) == 0);
  gone = fopen(path, "rb");
  CHECK(gone == NULL);
  if (gone != NULL) fclose(gone);
}

/* ---- The library's own resolver set --------------------------------------------- */

static void CheckResolverSet(FactoryFn make_set) {
  void *other = NULL, *set = NULL;
  CHECK(make_set(NULL) == 1);
  CHECK(make_set(&set) == 0 && make_set(&other) == 0 && set != NULL && set != other);
  if (set == NULL || other == NULL) return;
  CHECK(CALL0(set, 1) == 2 && RELEASE(set) == 1 && RELEASE(other) == 0);
  CHECK(CALL(FnS, manager, 11, "Concat('a')") == 1);
  CHECK(CALL0(set, 3) == 0 && CALL(FnS, manager, 11, "Concat('a')") == 1);
  CHECK(CALL(FnS, set, 6, NULL) == 0 && CALL(FnS, set, 7, "param") == 0);
  CHECK(CALL(FnP, set, 5, manager) == 0 && CALL0(set, 3) == 0);
  CHECK(CALL(FnS, manager, 11, "Concat('a')") == 0);
  CHECK(CALL(FnS, manager, 11, "ColorToName('a')") == 0);
  CHECK(CALL0(set, 3) == 0 && CALL0(set, 4) == 0);
  CHECK(CALL(FnS, manager, 11, "Concat('a')") == 1);
  CHECK(CALL0(set, 4) == 0 && CALL0(set, 3) == 0);
  CHECK(CALL(FnS, manager, 11, "NameToColor('red')") == 0);
  CHECK(RELEASE(set) == 0);
}

/* This library's own module, named by its file name, adds a further set
 * (whose names the first holders keep), gone again at Terminate. */
static void CheckOwnModule(void) {
  const char* name = strrchr(QUENLOFT_LIBRARY_FILE, '/');
  name = name != NULL ? name + 1 : QUENLOFT_LIBRARY_FILE;
  CHECK(CALL(FnSSS, copier, 4, name, "host", "param") == 0);
  CHECK(CALL(FnS, manager, 11, "Concat('a')") == 0);
}

/* ---- A host that listens for diagnostics ----------------------------------- */

/* The recording host's callback answering ITplDiagnostics too, with a
 * second object whose Report writes "code severity line:column [statement]
 * reason|" into the host's log, so that its order among the messages
 * shows. */
typedef struct Listener {
  Counted base;
} Listener;
static Listener listener;
static Host listening_host;

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
static int32_t HOSTCALL ListenerReport(HOST_UNUSED void* self, const Diagnostic* d) {
  char line[512];
  snprintf(line, sizeof line, "%s %s %d:%d [%s] %s|", d->code, d->severity == 0 ? "error" : "warning",
           (int)d->line, (int)d->column, d->statement, d->reason);
  Append(listening_host.log, sizeof listening_host.log, line);
  return 0;
}
static const HostSlot kListeningHostTable[] = HOST_TABLE(
    [0] = SLOT(ListeningHostQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(HostOutput), [6] = SLOT(HostProgress), [7] = SLOT(HostMapFileName),
    [9] = SLOT(HostNotifyFile), [11] = SLOT(HostShouldContinue));
static const HostSlot kListenerTable[] = HOST_TABLE(
    [0] = SLOT(ListenerQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(ListenerReport));
static Listener listener = {{kListenerTable, 1, "diagnostics"}};
static Host listening_host = {
    {kListeningHostTable, 1, "listening host callback"}, "", "", 0, NULL, 0, ""};

/* A manager of its own with the listening host: each statement's reasons,
 * an error just before the message it explains, and the references back. */
static void CheckDiagnostics(FactoryFn create_manager, FactoryFn make_set) {
  static const struct {
    const char *text, *value, *record;
  } kCases[] = {
      {"Replace('abc', 'b')", "(unchanged)",
       "argument-count error 0:0 [Replace('abc', 'b')] Replace takes an odd number, at least 3 "
       "arguments, not 2|" UNKNOWN "Replace('abc', 'b') \r\n"},
      {"System.titel", "System.titel",
       "unknown-system-key warning 0:0 [System.titel] 'System.titel' is not set; did you mean "
       "'System.Title'?|"},
      {"Concat('a', 'b')", "ab", ""},
  };
  void *m = NULL, *c = NULL, *set = NULL;
  size_t i;
  if (!CHECK(create_manager(&m) == 0 && m != NULL && make_set(&set) == 0 && set != NULL)) return;
  CHECK(QUERY(m, &kIidFileCopier, &c) == 0 && c != NULL);
  if (c == NULL) return;
  CHECK(CALL(FnP, c, 3, &listening_host) == 0 && listener.base.count == 2);
  CHECK(CALL(FnP, set, 5, m) == 0 && CALL0(set, 3) == 0);
  CHECK(CALL(FnSS, m, 10, "System.Title", "Host") == 0);
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = NewHostString("(unchanged)");
    listening_host.log[0] = '\0';
    CHECK(CALL(FnSP, m, kManagerEvaluateExpression, kCases[i].text, out) == 0);
    CHECK_TEXT(TextOf(out), kCases[i].value);
    CHECK_TEXT(listening_host.log, kCases[i].record);
    Drop(out);
  }
  CHECK(CALL0(set, 4) == 0 && RELEASE(set) == 0);
  CHECK(CALL0(c, 5) == 0 && listener.base.count == 1 && listening_host.base.count == 1);
  CHECK(RELEASE(c) == 1 && RELEASE(m) == 0);
}

int main(void) {
  Library library = {NULL, NULL, NULL, NULL};
  if (Open(&library)) {
    CheckResolverSet(library.create_resolvers);
    if (AttachBuiltins(&library)) {
      CheckScopeListing();
      CheckScopeVariables();
      CheckRegistry();
      CheckLongName();
      CheckContexts();
      CheckUpdatePass();
      CheckCopyPass(library.create_manager);
      CheckOwnModule();
      CheckDiagnostics(library.create_manager, library.create_resolvers);
      /* Priming reports nothing and always answers 1. */
      CHECK(library.prime() == 1 && library.prime() == 1);
    }
  }
  return Close(&library);
}
