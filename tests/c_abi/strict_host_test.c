/* A strict foreign host in C. Its string objects, host callback, file
 * source, resolver and statement object implement exactly the slots the
 * library may call, and every other slot aborts naming the object and the
 * slot (tests/support/c_host.h). Through it run: single statements, the
 * copy and update passes of a small skin in a scratch folder, file-name
 * mapping, its resolver answering inside templates (also as ITplResolverEx),
 * a statement object of its own resolved by the manager, and the resolver
 * set of a module written in C (tests/modules/module_c.c). */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "support/c_host.h"

#ifndef QUENLOFT_LIBRARY_FILE
#error "QUENLOFT_LIBRARY_FILE must name the library"
#endif

/* The C test module; it lies beside the library. */
#define C_MODULE "libql-test-module-c.so"

static HostCallback host;
static Manager* manager;
static FileCopier* copier;
static MacroServices* services;

/* ---- The scratch folder --------------------------------------------------- */

static char scratch[400]; /* ends with "/" */

static int MakeFolder(const char* path) {
#if defined(_WIN32)
  return CreateDirectoryA(path, NULL) ? 0 : 1;
#else
  return mkdir(path, 0700);
#endif
}

static void RemoveFolder(const char* path) {
#if defined(_WIN32)
  RemoveDirectoryA(path);
#else
  rmdir(path);
#endif
}

static int MakeScratch(void) {
#if defined(_WIN32)
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return 1;
  snprintf(scratch, sizeof scratch, "%sql-strict-%lu-%lu/", temp,
           (unsigned long)GetCurrentProcessId(), (unsigned long)GetTickCount());
  return MakeFolder(scratch);
#else
  const char* temp = getenv("TMPDIR");
  if (temp == NULL || *temp == '\0') temp = "/tmp";
  snprintf(scratch, sizeof scratch, "%s/ql-strict-XXXXXX", temp);
  if (mkdtemp(scratch) == NULL) return 1;
  strcat(scratch, "/");
  return 0;
#endif
}

/* The path of a file in the scratch folder; valid until the fourth call
 * after this one. */
static const char* At(const char* relative) {
  static char paths[4][600];
  static int next;
  char* path = paths[next++ % 4];
  snprintf(path, sizeof paths[0], "%s%s", scratch, relative);
  return path;
}

/* The path as the library spells it: every "/" a "\". */
static const char* Backslashed(const char* path) {
  static char spelled[600];
  size_t i;
  snprintf(spelled, sizeof spelled, "%s", path);
  for (i = 0; spelled[i] != '\0'; ++i)
    if (spelled[i] == '/') spelled[i] = '\\';
  return spelled;
}

static void PutFile(const char* path, const char* bytes, size_t size) {
  FILE* file = fopen(path, "wb");
  CHECK(file != NULL);
  if (file == NULL) return;
  CHECK(fwrite(bytes, 1, size, file) == size);
  fclose(file);
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

/* ---- Small helpers ------------------------------------------------------- */

static int32_t Give(CvoString* out, const char* text) {
  if (out == NULL) return 1;
  return out->vtbl->SetText(out, text);
}

/* A host string object holding text. */
static CvoString* StringWith(const char* text) {
  CvoString* s = NewHostString();
  if (s != NULL) Give(s, text);
  return s;
}

static void Drop(CvoString* s) {
  if (s != NULL) s->vtbl->Release(s);
}

/* ---- The file source: lists the skin ------------------------------------- */

typedef struct SkinFile {
  const char* name;
  const char* content;
  size_t size;
  const char* patched; /* NULL: the file is only copied */
} SkinFile;

static const char kLogo[] = "\x89PNG\r\n\0<!--%NoSuchName%-->";

static const SkinFile kSkin[] = {
    {"index.htm", "<p><!--%System.Title%--> <!--%Greet(World)%--> <!--%HelloC%--> "
                  "<!--%NoSuchName%--></p>", 0,
     "<p>Strict Hello, World hello from C:strict <!--%NoSuchName%--></p>"},
    {"sub/page.css", "b { /*%Concat('a', 'b')%*/ }", 0, "b { ab }"},
    {"logo.bin", kLogo, sizeof kLogo - 1, NULL},
};
enum { kSkinFiles = sizeof kSkin / sizeof kSkin[0] };

typedef struct Source {
  const FileSourceVtbl* vtbl;
  int32_t count;
  int initialized;
  int uninitialized;
} Source;

static int32_t HOSTCALL SourceQueryInterface(FileSource* self, const IID16* iid, void** out) {
  (void)self;
  (void)iid;
  if (out != NULL) *out = NULL;
  return HOST_E_NOTIMPL;
}
static int32_t HOSTCALL SourceAddRef(FileSource* self) { return ++((Source*)self)->count; }
static int32_t HOSTCALL SourceRelease(FileSource* self) { return --((Source*)self)->count; }
static int32_t HOSTCALL SourceInitialize(FileSource* self, const char* folder) {
  CHECK(folder != NULL && *folder != '\0');
  ++((Source*)self)->initialized;
  return 0;
}
static int32_t HOSTCALL SourceUninitialize(FileSource* self) {
  ++((Source*)self)->uninitialized;
  return 0;
}
static int32_t HOSTCALL SourceGetNextName(FileSource* self, CvoString* out, int32_t* position) {
  (void)self;
  if (*position < 0 || *position >= kSkinFiles) {
    Give(out, ""); /* an empty name ends the listing */
    return 1;
  }
  return Give(out, kSkin[(*position)++].name);
}
static int32_t HOSTCALL SourceGetFirstName(FileSource* self, CvoString* out, int32_t* position) {
  *position = 0;
  return SourceGetNextName(self, out, position);
}
static int32_t HOSTCALL SourceGetSourcePath(FileSource* self, CvoString* out, const char* name) {
  char relative[128];
  (void)self;
  snprintf(relative, sizeof relative, "skin/%s", name);
  return Give(out, At(relative));
}

static const FileSourceVtbl kSourceVtbl = {
    SourceQueryInterface, SourceAddRef,       SourceRelease,      SourceInitialize,
    SourceUninitialize,   SourceGetFirstName, SourceGetNextName,  SourceGetSourcePath,
};

static Source source = {&kSourceVtbl, 1, 0, 0};

/* ---- The resolver: "Greet(x)" is "Hello, x" ------------------------------ */

/* One object with two interfaces: ITplResolver, and ITplResolverEx at ex. */
typedef struct Greeter {
  const ResolverVtbl* vtbl;
  const ResolverExVtbl* ex;
  int32_t count;
  int initialized;
  int uninitialized;
} Greeter;

static Greeter* GreeterOfEx(ResolverEx* ex) {
  return (Greeter*)((char*)ex - offsetof(Greeter, ex));
}

static int32_t HOSTCALL GreeterQueryInterface(Resolver* self, const IID16* iid, void** out) {
  Greeter* greeter = (Greeter*)self;
  if (out == NULL) return 1;
  *out = NULL;
  if (SameIid(iid, &kIidResolver)) *out = greeter;
  if (SameIid(iid, &kIidResolverEx)) *out = &greeter->ex;
  if (*out == NULL) return HOST_E_NOTIMPL;
  ++greeter->count;
  return 0;
}
static int32_t HOSTCALL GreeterAddRef(Resolver* self) { return ++((Greeter*)self)->count; }
static int32_t HOSTCALL GreeterRelease(Resolver* self) { return --((Greeter*)self)->count; }
static int32_t HOSTCALL GreeterInitialize(Resolver* self) {
  ++((Greeter*)self)->initialized;
  return 0;
}
static int32_t HOSTCALL GreeterUninitialize(Resolver* self) {
  ++((Greeter*)self)->uninitialized;
  return 0;
}
static int32_t HOSTCALL GreeterGetFirstName(Resolver* self, CvoString* name, int32_t* position) {
  (void)self;
  *position = 1;
  return Give(name, "Greet");
}
static int32_t HOSTCALL GreeterGetNextName(Resolver* self, CvoString* name, int32_t* position) {
  (void)self;
  (void)position;
  Give(name, "");
  return 1;
}
static int32_t HOSTCALL GreeterOnNameConflict(Resolver* self, const char* name) {
  (void)self;
  (void)name;
  return 0;
}
/* Reads the call through string objects of its own. */
static int32_t HOSTCALL GreeterResolve(Resolver* self, MacroCall* call) {
  CvoString* name = NewHostString();
  CvoString* argument = NewHostString();
  int32_t count = 0;
  int32_t result = 1;
  char text[128];
  (void)self;
  if (call != NULL && name != NULL && argument != NULL) {
    call->vtbl->GetName(call, name);
    if (strcmp(TextOf(name), "Greet") == 0 && call->vtbl->GetArgCount(call, &count) == 0) {
      if (count > 0) call->vtbl->GetArg(call, 0, argument);
      snprintf(text, sizeof text, "Hello, %s", TextOf(argument));
      call->vtbl->SetResult(call, text);
      result = 0;
    }
  }
  Drop(name);
  Drop(argument);
  return result;
}

static int32_t HOSTCALL GreeterExQueryInterface(ResolverEx* self, const IID16* iid, void** out) {
  return GreeterQueryInterface((Resolver*)GreeterOfEx(self), iid, out);
}
static int32_t HOSTCALL GreeterExAddRef(ResolverEx* self) { return ++GreeterOfEx(self)->count; }
static int32_t HOSTCALL GreeterExRelease(ResolverEx* self) { return --GreeterOfEx(self)->count; }
static int32_t HOSTCALL GreeterMapText(ResolverEx* self, CvoString* out, const char* text) {
  char mapped[128];
  (void)self;
  snprintf(mapped, sizeof mapped, "map:%s", text);
  return Give(out, mapped);
}
static int32_t HOSTCALL GreeterQueryMacro(ResolverEx* self, CvoString* out, const char* text) {
  char queried[128];
  (void)self;
  snprintf(queried, sizeof queried, "query:%s", text);
  return Give(out, queried);
}

HOST_FORBIDDEN_SLOT(GreeterEx3, "extended resolver", 3)
HOST_FORBIDDEN_SLOT(GreeterEx4, "extended resolver", 4)
HOST_FORBIDDEN_SLOT(GreeterEx5, "extended resolver", 5)
HOST_FORBIDDEN_SLOT(GreeterEx6, "extended resolver", 6)

static const ResolverVtbl kGreeterVtbl = {
    GreeterQueryInterface, GreeterAddRef,       GreeterRelease,
    GreeterInitialize,     GreeterUninitialize, GreeterGetFirstName,
    GreeterGetNextName,    GreeterOnNameConflict, GreeterResolve,
};
static const ResolverExVtbl kGreeterExVtbl = {
    GreeterExQueryInterface, GreeterExAddRef, GreeterExRelease,
    {GreeterEx3, GreeterEx4, GreeterEx5, GreeterEx6},
    GreeterMapText,          GreeterQueryMacro,
};

static Greeter greeter = {&kGreeterVtbl, &kGreeterExVtbl, 1, 0, 0};

/* ---- A statement object of the host's own -------------------------------- */

typedef struct Statement {
  const MacroCallVtbl* vtbl;
  int32_t count;
  const char* text;
  const char* name;
  const char* target;
  const char* arguments[2];
  int32_t argument_count;
  int has_result;
  char result[128];
} Statement;

static int32_t HOSTCALL StatementQueryInterface(MacroCall* self, const IID16* iid, void** out) {
  if (out == NULL) return HOST_E_INVALIDARG;
  *out = NULL;
  if (!SameIid(iid, &kIidMacroCall)) return HOST_E_NOTIMPL;
  ++((Statement*)self)->count;
  *out = self;
  return 0;
}
static int32_t HOSTCALL StatementAddRef(MacroCall* self) { return ++((Statement*)self)->count; }
static int32_t HOSTCALL StatementRelease(MacroCall* self) { return --((Statement*)self)->count; }
static int32_t HOSTCALL StatementGetText(MacroCall* self, CvoString* out) {
  return Give(out, ((Statement*)self)->text);
}
static int32_t HOSTCALL StatementGetName(MacroCall* self, CvoString* out) {
  if (out != NULL) Give(out, ((Statement*)self)->name);
  return 0;
}
static int32_t HOSTCALL StatementGetMember(MacroCall* self, CvoString* out) {
  (void)self;
  if (out != NULL) Give(out, "");
  return 0;
}
static int32_t HOSTCALL StatementGetArgCount(MacroCall* self, int32_t* count) {
  if (count == NULL) return 1;
  *count = ((Statement*)self)->argument_count;
  return 0;
}
static int32_t HOSTCALL StatementGetArg(MacroCall* self, int32_t index, CvoString* out) {
  const Statement* statement = (const Statement*)self;
  if (out == NULL || index < 0 || index >= statement->argument_count) return 1;
  return Give(out, statement->arguments[index]);
}
static int32_t HOSTCALL StatementGetAssignTarget(MacroCall* self, CvoString* out) {
  return Give(out, ((Statement*)self)->target);
}
/* The statement stands alone: no expression owns it. */
static int32_t HOSTCALL StatementGetOwnerless(MacroCall* self, void** out) {
  (void)self;
  if (out != NULL) *out = NULL;
  return 1;
}
static int32_t HOSTCALL StatementSetResult(MacroCall* self, const char* text) {
  Statement* statement = (Statement*)self;
  if (text == NULL) return 0;
  snprintf(statement->result, sizeof statement->result, "%s", text);
  statement->has_result = 1;
  return 0;
}
static int32_t HOSTCALL StatementGetResult(MacroCall* self, CvoString* out) {
  const Statement* statement = (const Statement*)self;
  if (out == NULL || !statement->has_result) return 1;
  return Give(out, statement->result);
}
static int32_t HOSTCALL StatementSetResultObject(MacroCall* self, void* object) {
  (void)self;
  (void)object;
  return 0;
}

HOST_FORBIDDEN_SLOT(Statement3, "statement", 3)
HOST_FORBIDDEN_SLOT(Statement15, "statement", 15)
HOST_FORBIDDEN_SLOT(Statement16, "statement", 16)
HOST_FORBIDDEN_SLOT(Statement17, "statement", 17)

static const MacroCallVtbl kStatementVtbl = {
    StatementQueryInterface,  StatementAddRef,          StatementRelease,
    Statement3,               StatementGetText,         StatementGetName,
    StatementGetMember,       StatementGetArgCount,     StatementGetArg,
    StatementGetAssignTarget, StatementGetOwnerless,    StatementGetOwnerless,
    StatementSetResult,       StatementGetResult,       StatementSetResultObject,
    Statement15,              Statement16,              Statement17,
};

/* ---- The checks ---------------------------------------------------------- */

/* ResolveMacroText (0) or EvaluateExpression (1) into a host string that
 * held "(unchanged)", and the host's messages meanwhile. */
static void CheckStatements(void) {
  static const struct {
    int evaluate;
    const char* text;
    const char* value;
    const char* messages;
  } kCases[] = {
      {0, "'abc'", "abc", ""},
      {0, "System.Title", "Strict", ""},
      {1, "System.NoSuchValue", "System.NoSuchValue", ""},
      {1, "Concat(System.Title, '!')", "Strict!", ""},
      {1, "ReplaceMacros('[%System.Title%]')", "[Strict]", ""},
      {1, "AssignString(IsTrue('yes'), System.Title, 'no')", "Strict", ""},
      {1, "v = Concat('a', 'b'); Concat(v, v)", "abab", ""},
      {1, "kept$$ = Greet(you)", "", ""},
      {0, "kept$$", "Hello, you", ""},
      {1, "Concat('<', Greet(x), '>')", "<Hello, x>", ""},
      {1, "HelloC", "hello from C:strict", ""},
      {1, "NoSuchName", "(unchanged)", "Template Error: can not resolve macro: NoSuchName \r\n"},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = StringWith("(unchanged)");
    ClearHostRecord(&host);
    if (kCases[i].evaluate)
      CHECK(manager->vtbl->EvaluateExpression(manager, kCases[i].text, out) == 0);
    else
      CHECK(manager->vtbl->ResolveMacroText(manager, kCases[i].text, out) == 0);
    CHECK_TEXT(TextOf(out), kCases[i].value);
    CHECK_TEXT(host.log, kCases[i].messages);
    Drop(out);
  }
}

static void CheckMapFileName(void) {
  static const struct {
    const char* path;
    const char* host_answer; /* NULL: the host declines */
    const char* mapped;
  } kCases[] = {
      {"C:/a/b/c.htm", NULL, "c.htm"},
      {"a/b.htm", NULL, "a\\b.htm"},
      {"C:/a/b/c.htm", "mine.htm", "mine.htm"},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = NewHostString();
    host.map_answer = kCases[i].host_answer;
    CHECK(manager->vtbl->MapFileName(manager, out, kCases[i].path) == 0);
    CHECK_TEXT(TextOf(out), kCases[i].mapped);
    Drop(out);
  }
  host.map_answer = NULL;
  CHECK(host.map_calls == 3);
}

/* QueryMacro (0) and QueryAndMapMacro (1) reach the resolver's slots 8 and 7. */
static void CheckExtendedResolver(void) {
  static const struct {
    int map;
    const char* macro;
    int32_t result;
    const char* out;
  } kCases[] = {
      {0, "Greet(x)", 0, "query:Greet(x)"},
      {1, "Greet(x)", 0, "map:query:Greet(x)"},
      {0, "Concat('a')", 1, "(unchanged)"}, /* the function library has no such interface */
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = StringWith("(unchanged)");
    const int32_t result =
        kCases[i].map ? copier->vtbl->QueryAndMapMacro(copier, kCases[i].macro, out)
                      : copier->vtbl->QueryMacro(copier, kCases[i].macro, out);
    CHECK(result == kCases[i].result);
    CHECK_TEXT(TextOf(out), kCases[i].out);
    Drop(out);
  }
  CHECK(greeter.count == 2); /* the registry's reference only */
}

/* The manager resolves a statement object of the host's own: literal,
 * built-in function with evaluated arguments, the host's resolver with an
 * assignment, and an unknown name. */
static void CheckHostStatement(void) {
#define STATEMENT(text, name, target, count, a0, a1) \
  { &kStatementVtbl, 1, text, name, target, {a0, a1}, count, 0, "" }
  static const struct {
    Statement statement;
    int32_t resolved;
    const char* result;
    const char* messages;
  } kCases[] = {
      {STATEMENT("'lit'", "'lit'", "", 0, NULL, NULL), 0, "lit", ""},
      {STATEMENT("Concat('a', System.Title)", "Concat", "", 2, "'a'", "System.Title"), 0,
       "aStrict", ""},
      {STATEMENT("held$$ = Greet(z)", "Greet", "held$$", 1, "z", NULL), 0, "Hello, z", ""},
      {STATEMENT("Nope()", "Nope", "", 0, NULL, NULL), 1, "",
       "Template Error: can not resolve macro: Nope() \r\n"},
  };
#undef STATEMENT
  size_t i;
  CvoString* held = StringWith("(unchanged)");
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    Statement statement = kCases[i].statement;
    ClearHostRecord(&host);
    CHECK(services->vtbl->ResolveMacroCall(services, (MacroCall*)&statement) ==
          kCases[i].resolved);
    CHECK_TEXT(statement.result, kCases[i].result);
    CHECK_TEXT(host.log, kCases[i].messages);
    CHECK(statement.count == 1);
  }
  /* The assignment landed in the manager's global scope. */
  CHECK(manager->vtbl->ResolveMacroText(manager, "held$$", held) == 0);
  CHECK_TEXT(TextOf(held), "Hello, z");
  Drop(held);
}

static void WriteSkin(void) {
  size_t i;
  MakeFolder(At("skin"));
  MakeFolder(At("skin/sub"));
  MakeFolder(At("out"));
  for (i = 0; i < kSkinFiles; ++i) {
    char relative[128];
    const size_t size = kSkin[i].size != 0 ? kSkin[i].size : strlen(kSkin[i].content);
    snprintf(relative, sizeof relative, "skin/%s", kSkin[i].name);
    PutFile(At(relative), kSkin[i].content, size);
  }
}

static void RemoveSkin(void) {
  static const char* const kWritten[] = {"out/copy.bin"};
  size_t i;
  for (i = 0; i < kSkinFiles; ++i) {
    char relative[128];
    snprintf(relative, sizeof relative, "skin/%s", kSkin[i].name);
    remove(At(relative));
    snprintf(relative, sizeof relative, "out/%s", kSkin[i].name);
    remove(At(relative));
  }
  for (i = 0; i < sizeof kWritten / sizeof kWritten[0]; ++i) remove(At(kWritten[i]));
  RemoveFolder(At("skin/sub"));
  RemoveFolder(At("skin"));
  RemoveFolder(At("out/sub"));
  RemoveFolder(At("out"));
}

/* A copy pass and an update pass, with the messages and progress of each. */
static void CheckCopyAndUpdate(void) {
  char result_folder[600];
  char expected[1024];
  char dots[67]; /* 0, 33 and 33 dots before the three entries */
  CvoString* out = NewHostString();
  size_t i;
  WriteSkin();
  snprintf(result_folder, sizeof result_folder, "%s", Backslashed(At("out/")));
  CHECK(manager->vtbl->SetSystemValue(manager, "System.ResultFolderName", At("out/")) == 0);

  CHECK(manager->vtbl->AddFileSource(manager, &source) == 0);
  CHECK(source.initialized == 1);
  CHECK(source.count == 1 + kSkinFiles); /* one reference per file */

  /* One file ahead of the pass; its destination comes back in out. */
  ClearHostRecord(&host);
  CHECK(copier->vtbl->CopyTemplateFile(copier, "INDEX.HTM", out) == 0);
  snprintf(expected, sizeof expected, "%sindex.htm", result_folder);
  CHECK_TEXT(TextOf(out), expected);
  CHECK(copier->vtbl->CopyFilesByHost(copier) == 0);
  CHECK(host.notified == kSkinFiles);
  /* With a destination given, the copy goes there. */
  Give(out, At("out/copy.bin"));
  CHECK(copier->vtbl->CopyTemplateFile(copier, "logo.bin", out) == 0);
  CHECK(FileHolds(At("out/copy.bin"), kLogo, sizeof kLogo - 1));

  ClearHostRecord(&host);
  CHECK(manager->vtbl->AddUpdateFile(manager, "index.htm") == 0);
  CHECK(manager->vtbl->AddUpdateFile(manager, "sub/page.css") == 0);
  CHECK(manager->vtbl->AddUpdateFile(manager, "missing.htm") == 0);
  CHECK(copier->vtbl->UpdateFilesByHost(copier) == 0);
  memset(dots, '.', sizeof dots - 1);
  dots[sizeof dots - 1] = '\0';
  snprintf(expected, sizeof expected,
           "Template Error: can not resolve macro: NoSuchName in %sindex.htm\r\n"
           "%s\r\nError: Fail to update Template file missing.htm\r\n\r\n",
           result_folder, dots);
  CHECK_TEXT(host.log, expected);
  CHECK_TEXT(host.progress, "0/3 1/3 2/3 ");
  CHECK(host.notified == 3);

  for (i = 0; i < kSkinFiles; ++i) {
    char relative[128];
    const char* want = kSkin[i].patched != NULL ? kSkin[i].patched : kSkin[i].content;
    const size_t size = kSkin[i].patched != NULL ? strlen(want) : kSkin[i].size;
    snprintf(relative, sizeof relative, "out/%s", kSkin[i].name);
    CHECK(FileHolds(At(relative), want, size));
  }

  CHECK(manager->vtbl->RemoveFileSource(manager, &source) == 0);
  CHECK(source.uninitialized == 1);
  CHECK(source.count == 1);
  Drop(out);
  RemoveSkin();
}

static void Run(CreateManagerFn create_manager, CreateResolversFn create_resolvers) {
  ResolverSet* builtins = NULL;
  InitHost(&host);
  CHECK(create_manager(&manager) == 0 && manager != NULL);
  if (manager == NULL) return;
  CHECK(manager->vtbl->QueryInterface(manager, &kIidFileCopier, (void**)&copier) == 0);
  CHECK(manager->vtbl->QueryInterface(manager, &kIidMacroServices, (void**)&services) == 0);
  CHECK(copier->vtbl->Initialize(copier, &host) == 0);

  /* The built-in functions, the host's resolver and the C module's. */
  CHECK(create_resolvers(&builtins) == 0 && builtins != NULL);
  CHECK(builtins->vtbl->SetManager(builtins, manager) == 0);
  CHECK(builtins->vtbl->Initialize(builtins) == 0);
  CHECK(manager->vtbl->AddResolver(manager, &greeter) == 0);
  CHECK(greeter.initialized == 1 && greeter.count == 2);
  CHECK(copier->vtbl->AddResolverModuleByHost(copier, C_MODULE, "host", "strict") == 0);
  CHECK(manager->vtbl->SetSystemValue(manager, "System.Title", "Strict") == 0);

  CheckStatements();
  CheckMapFileName();
  CheckExtendedResolver();
  CheckHostStatement();
  CheckCopyAndUpdate();

  CHECK(manager->vtbl->RemoveResolver(manager, &greeter) == 0);
  CHECK(greeter.uninitialized == 1 && greeter.count == 1);
  CHECK(builtins->vtbl->Uninitialize(builtins) == 0);
  CHECK(builtins->vtbl->Release(builtins) == 0);
  CHECK(copier->vtbl->Terminate(copier) == 0);
  CHECK(host.count == 1);
  CHECK(services->vtbl->Release(services) == 2);
  CHECK(copier->vtbl->Release(copier) == 1);
  CHECK(manager->vtbl->Release(manager) == 0);
}

int main(void) {
  CreateManagerFn create_manager = NULL;
  CreateResolversFn create_resolvers = NULL;
  void* library = HostLoadLibrary(QUENLOFT_LIBRARY_FILE);
  CHECK(library != NULL);
  CHECK(MakeScratch() == 0);
  if (library != NULL) {
    CHECK(HostEntry(library, "CreateTemplateManagerInstance", &create_manager,
                    sizeof create_manager));
    CHECK(HostEntry(library, "CreateTemplateResolversInstance", &create_resolvers,
                    sizeof create_resolvers));
    if (create_manager != NULL && create_resolvers != NULL) Run(create_manager, create_resolvers);
    CHECK(HostFreeLibrary(library) == 0);
  }
  RemoveFolder(scratch);
  CHECK(host_strings_alive == 0);
  return Verdict();
}
