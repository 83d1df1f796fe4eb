/* The contract's behaviour over several calls, as a host written from the
 * descriptions alone checks it through the tables of the objects
 * (contract_host.h): the registry's first holder, variables and the scopes
 * an assignment lands in, the built-in functions and system values, files
 * on disk, the copy and update passes, the template file cache, and the
 * library's own resolver set and module. */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
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
  CHECK(CALL(FnSS, scope, 10, "once$$", "3") == 1 && CALL(FnSS, scope, 10, "more$$", "x") == 1);
  CHECK(CALL(FnSS, scope, 10, "more$$", "y") == 1);
  CHECK_TEXT(Answer(kManagerEvaluateExpression, "Concat(once$$, more$$)", buffer, sizeof buffer),
             "23xy");
  CHECK(CALL(FnS, scope, 11, "once$$") == 0 && CALL(FnS, scope, 11, "once$$") == 1);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerEvaluateExpression, "Concat(once$$)", buffer, sizeof buffer),
             "once$$");
  CHECK_TEXT(host.log, "");
  CHECK(CALL(FnSS, scope, 9, "once$$", "back") == 1);
  CHECK_TEXT(Answer(kManagerResolveMacroText, "once$$", buffer, sizeof buffer), "back");
  RELEASE(scope);
}

/* ---- The registry: the first holder keeps a name ----------------------------- */

static void CheckRegistry(void) {
  NameResolver a = NAME_RESOLVER("resolver A", "from A", 0, "Shared", "OnlyA", NULL);
  NameResolver b = NAME_RESOLVER("resolver B", "from B", 0, "Shared", "shared", "OnlyB");
  /* One answers without a result, one declines. */
  NameResolver quiet = NAME_RESOLVER("quiet resolver", NULL, 0, "Quiet", NULL, NULL);
  NameResolver declining =
      NAME_RESOLVER("declining resolver", "ignored", 1, "Declines", NULL, NULL);
  char buffer[64];
  void* scope = NULL;
  CHECK(CALL(FnP, manager, 3, &a) == 0 && a.initialized == 1 && a.base.count == 3);
  CHECK(CALL(FnP, manager, 3, &b) == 0 && b.initialized == 1);
  CHECK(a.conflicts == 1 && !strcmp(a.conflict, "Shared") && b.conflicts == 0);
  CHECK(b.base.count == 3); /* "shared" and "OnlyB", not "Shared" */
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "from A");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "shared", buffer, sizeof buffer), "from B");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "OnlyB.x(1)", buffer, sizeof buffer), "from B");
  /* One resolver under one name holds one reference; another's name stays. */
  CHECK(CALL(FnSP, services, kServicesRegisterName, "OnlyA", &a) == 0 && a.base.count == 3);
  CHECK(CALL(FnSP, services, 4, "Shared", &b) == 0 && a.base.count == 3);
  CHECK(CALL(FnSP, services, kServicesRegisterName, "Extra", &a) == 0 && a.base.count == 4);
  CHECK(CALL(FnSP, services, 4, "Extra", &a) == 0 && a.base.count == 3);
  /* A scope's variable under a name the function library holds stays
   * with the library. */
  CHECK(QUERY(manager, &kIidVariables, &scope) == 0 && scope != NULL);
  if (scope != NULL) {
    CHECK(CALL(FnSS, scope, 9, "Concat", "v") == 1);
    CHECK_TEXT(Answer(kManagerEvaluateExpression, "Concat('ok')", buffer, sizeof buffer), "ok");
    CHECK(CALL(FnS, scope, 11, "Concat") == 0 && CALL(FnS, scope, 11, "Concat") == 1);
    RELEASE(scope);
  }
  CHECK(CALL(FnP, manager, 3, &quiet) == 0 && CALL(FnP, manager, 3, &declining) == 0);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerEvaluateExpression, "Quiet.x(1)", buffer, sizeof buffer),
             "Quiet.x(1)");
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Quiet", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, "");
  CHECK_TEXT(Answer(kManagerEvaluateExpression, "Declines('a')", buffer, sizeof buffer),
             "(unchanged)");
  CHECK_TEXT(host.log, UNKNOWN "Declines('a') \r\n");
  CHECK(CALL(FnP, manager, 4, &quiet) == 0 && CALL(FnP, manager, 4, &declining) == 0);
  CHECK(quiet.base.count == 1 && declining.base.count == 1);
  CHECK(CALL(FnP, manager, 4, &b) == 0 && b.uninitialized == 1 && b.base.count == 1);
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "from A");
  CHECK(CALL(FnP, manager, 4, &a) == 0 && a.uninitialized == 1 && a.base.count == 1);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerResolveMacroText, "Shared", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, UNKNOWN "Shared \r\n");
}

/* ---- Statements: assignments, functions and system values ------------------ */

/* Each text evaluated as an expression, in order (assignments carry over):
 * the value, and what the host was told (NULL: not looked at). */
static void CheckStatements(void) {
  static const struct {
    const char *text, *value, *log;
  } kCases[] = {
      /* Scopes by the ending of the target. */
      {"x$$ = 'g'; y$ = 'f'; z = 'e'", "", ""},
      {"Concat(x$$, '|')", "g|", ""},
      {"Concat(y$, '|')", "y$|", UNKNOWN "y$ \r\n"},
      {"a$b$$ = 'w'; a$$$ = 'q'; $ = 'r'; Concat(a$$$, $)", "qr", ""},
      {"Concat(a$b$$, '|')", "w|", ""},
      {"Concat(a$$$, '|')", "a$$$|", UNKNOWN "a$$$ \r\n"},
      {"u$$+ = 'A'; u$$  + = 'B'; u$$+=u$$", "", ""},
      {"Concat(u$$, '|')", "ABAB|", ""},
      {"Title$$ = 'T'; title$$ = 't'; Concat(Title$$, title$$)", "Tt", ""},
      /* The built-in functions. */
      {"Concat()", "", ""},
      {"Concat('ab', 'cd', 'ef')", "abcdef", ""},
      {"Output('a', 'b', 'c')", "abc", ""},
      {"Concat('ab', Concat('cd'))", "abcd", ""},
      {"Concat.x('a')", "a", ""},
      {"concat('ab', 'cd')", "(unchanged)", UNKNOWN "concat('ab', 'cd') \r\n"},
      {"Replace('aaa', 'a', 'b')", "bbb", ""},
      {"Replace('abc', 'b')", "(unchanged)", UNKNOWN "Replace('abc', 'b') \r\n"},
      {"Replace('abc', '', 'x')", "abc", ""},
      {"Replace('abcab', 'ab', 'x', 'x', 'yy')", "yycyy", ""},
      {"Replace('aaaa', 'aa', 'a')", "aa", ""},
      {"IsTrue(' Yes ')", "true", ""},
      {"IsTrue('TRUE')", "true", ""},
      {"IsTrue('1')", "true", ""},
      {"IsTrue('on')", "false", ""},
      {"IsTrue('0')", "false", ""},
      {"IsEmpty('')", "true", ""},
      {"IsEmpty('a')", "false", ""},
      {"IsEmpty()", "(unchanged)", UNKNOWN "IsEmpty() \r\n"},
      {"IsEmpty(nox)", "false", UNKNOWN "nox \r\n"},
      {"e = ''; IsEmpty(e)", "true", ""},
      {"CompareNumber('<', '2', '10')", "true", ""},
      {"CompareString('<', '2', '10')", "false", ""},
      {"CompareNumber('>=', '5', '5')", "true", ""},
      {"CompareNumber('!=', '7', '07')", "false", ""},
      {"CompareNumber('==', ' -3x', '-3')", "true", ""},
      {"CompareNumber('>', 'abc', '-1')", "true", ""},
      {"CompareNumber('like', '1', '1')", "false", ""},
      {"CompareNumber('substr', '12', '2')", "false", ""},
      {"CompareString('compnocase', 'ABC', 'abc')", "true", ""},
      {"CompareString('substr', 'template', 'pl')", "true", ""},
      {"CompareString('substr', 'x', '')", "true", ""},
      {"CompareString('==', 'a', 'A')", "false", ""},
      {"CompareString('<=', 'a', 'a')", "true", ""},
      {"CompareString('>', 'b', 'abc')", "true", ""},
      {"CompareString('!=', 'a', 'b')", "true", ""},
      {"CompareString('<', 'a')", "(unchanged)", UNKNOWN "CompareString('<', 'a') \r\n"},
      {"AssignString('yes', 'first', 'second')", "first", ""},
      {"AssignString('no', 'first')", "", ""},
      {"AssignString('no', 'first', 'second')", "second", ""},
      {"AssignString('0', NoSuchBranch, 'none')", "none", ""},
      {"AssignString(IsTrue('yes'), Concat('a'), NoSuchBranch)", "a", ""},
      {"AssignString('1')", "(unchanged)", UNKNOWN "AssignString('1') \r\n"},
      {"MacroExist(Concat, System)", "true", ""},
      {"MacroExist('Concat')", "false", ""},
      {"MacroExist(NoSuchName, Concat)", "false", ""},
      {"MacroExist(System.Anything, x$$)", "true", ""},
      {"MacroExist()", "(unchanged)", UNKNOWN "MacroExist() \r\n"},
      {"NameToColor('red')", "#ff0000", ""},
      {"NameToColor('#0000FF')", "#0000ff", ""},
      {"NameToColor('')", "", ""},
      {"ColorToName('#ff0000')", "(unchanged)", UNKNOWN "ColorToName('#ff0000') \r\n"},
      {"TextToHtml('<a & \"b\">')", "&lt;a &amp; &quot;b&quot;&gt;", ""},
      {"HtmlToText('<b>x</b> &amp; y')", "x & y", ""},
      {"ReplaceMacros('100%')", "100%", ""},
      {"ReplaceMacros('[%x$$%] [%System.Title%] [%x$$%]')", "[g] [Host] [g]", ""},
      {"ReplaceMacroExpr('Concat(x$$, y)')", "(unchanged)",
       UNKNOWN "ReplaceMacroExpr('Concat(x$$, y)') \r\n"},
      {"FileName('a/b.htm', 'source')", "C:\\src\\a\\b.htm", ""},
      {"FileName('a/b.htm', 'ROOT')", "C:\\root\\a\\b.htm", ""},
      {"FileName('C:\\x\\y.htm', 'root')", "C:\\x\\y.htm", ""},
      {"MoveFile('/no/such/folder/a.tmp')", "(unchanged)", NULL},
      {"MoveFile()", "(unchanged)", UNKNOWN "MoveFile() \r\n"},
      {"Transform('<a/>')", "(unchanged)", UNKNOWN "Transform('<a/>') \r\n"},
      /* System values: exact keys, trimmed name and member. */
      {"System.Title", "Host", ""},
      {"System . Title", "Host", ""},
      {"System.title", "System.title", NULL},
      {"System.Twice", "2", ""},
      {"System", "sys", ""},
      {"System.Title = 'changed'; System.Title", "(unchanged)", ""},
      /* A macro text is never a format. */
      {"Nope%s%d%n", "(unchanged)", UNKNOWN "Nope%s%d%n \r\n"},
      /* Literals and escapes. */
      {"'Hello'", "Hello", ""},
      {"t = 'Hello'", "", ""},
      {"Concat('a\\'b', \"c\\\"d\", '')", "a'bc\"d", ""},
      {"x\\'y;'z'", "(unchanged)", UNKNOWN "x'y \r\n"},
      {"Concat('50\\%', 'a\\\\b')", "50%a\\b", ""},
  };
  char value[512];
  size_t i;
  CHECK(CALL(FnSS, manager, 10, "System.Title", "Host") == 0);
  CHECK(CALL(FnSS, manager, 10, "System.SourceFolderName", "C:\\src\\") == 0);
  CHECK(CALL(FnSS, manager, 10, "System.RootFolderName", "C:\\root\\") == 0);
  CHECK(CALL(FnSS, manager, 10, "System.Twice", "1") == 0);
  CHECK(CALL(FnSS, manager, 10, "System.Twice", "2") == 0);
  CHECK(CALL(FnSS, manager, 10, "System", "sys") == 0);
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    ClearHostRecord();
    Answer(kManagerEvaluateExpression, kCases[i].text, value, sizeof value);
    if (strcmp(value, kCases[i].value) != 0)
      fprintf(stderr, "  statement: %s\n", kCases[i].text);
    CHECK_TEXT(value, kCases[i].value);
    if (kCases[i].log != NULL) CHECK_TEXT(host.log, kCases[i].log);
  }
  /* A long name is reported whole. */
  {
    char name[701], message[760];
    memset(name, 'n', sizeof name - 1);
    name[sizeof name - 1] = '\0';
    snprintf(message, sizeof message, UNKNOWN "%s \r\n", name);
    ClearHostRecord();
    Answer(kManagerResolveMacroText, name, value, sizeof value);
    CHECK_TEXT(host.log, message);
  }
}

/* The manager's files: a patched file on disk, and a file object without a
 * name that writes nothing. */
static void CheckFilesOnDisk(void) {
  static const char kPath[] = "contract_host_test.htm";
  static const char kOther[] = "contract_host_test_other.htm";
  void* file = NULL;
  CvoString* out = NewHostString(NULL);
  FILE* stream = fopen(kPath, "wb");
  char content[64] = "";
  if (!CHECK(stream != NULL)) return;
  fputs("<p><!--%Concat('o', 'k')%--></p>", stream);
  fclose(stream);
  CHECK(CALL(FnS, manager, 17, kPath) == 0);
  CHECK(FileText(kPath, content, sizeof content));
  CHECK_TEXT(content, "<p>ok</p>");
  stream = fopen(kPath, "wb");
  if (!CHECK(stream != NULL)) return;
  fputs("<p><!--%n$+ = 'a'%--><!--%Concat(n$)%--></p>", stream);
  fclose(stream);

  /* Copied on disk, outside the extension folder: written now, not cached. */
  CHECK(CALL(FnSSI, manager, 19, kPath, kOther, 1) == 0);
  CHECK(FileText(kOther, content, sizeof content));
  CHECK_TEXT(content, "<p><!--%n$+ = 'a'%--><!--%Concat(n$)%--></p>");
  CHECK(CALL(FnS, manager, 21, kOther) == (int32_t)0x80004005u);
  remove(kOther);

  /* A file object: loading names it; its text is parsed once; each Patch
   * evaluates again; without a name it writes nothing. */
  CALL(FnP, services, kServicesCreatePatchedFile, &file);
  if (!CHECK(file != NULL && out != NULL)) return;
  CHECK(CALL(FnS, file, 8, kPath) == 0 && CALL(FnP, file, 6, out) == 0);
  CHECK_TEXT(TextOf(out), kPath);
  CHECK(CALL(FnP, file, 7, out) == 0);
  CHECK_TEXT(TextOf(out), "<p>a</p>");
  CHECK(CALL(FnS, file, 3, "new text") == 0 && CALL(FnP, file, 7, out) == 0);
  CHECK_TEXT(TextOf(out), "<p>aa</p>");
  CHECK(RELEASE(file) == 0);
  remove(kPath);
  CALL(FnP, services, kServicesCreatePatchedFile, &file);
  if (!CHECK(file != NULL)) return;
  CHECK(CALL(FnS, file, 3, "text") == 0 && CALL(FnS, file, 9, kOther) == 0);
  CHECK(!FileText(kOther, content, sizeof content));
  remove(kOther);
  CHECK(RELEASE(file) == 0);
  Drop(out);
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

/* Template file names are keyed in lower case with backslashes; removal
 * looks the name up as given. */
static void CheckTemplateFiles(void) {
  Counted a = {kPlainTable, 1, "file source A"}, b = {kPlainTable, 1, "file source B"};
  CvoString* out = NewHostString(NULL);
  CHECK(CALL(FnSP, services, 5, "Sub/Page.HTM", &a) == 0 && a.count == 2);
  CHECK(CALL(FnSP, services, 5, "sub\\page.htm", &a) == 0 && a.count == 2);
  CHECK(CALL(FnSP, services, 5, "SUB/page.htm", &b) == 1 && b.count == 1);
  CHECK(CALL(FnSP, services, 6, "Sub/Page.HTM", &a) == 0 && a.count == 2);
  CHECK(CALL(FnSP, services, 6, "sub\\page.htm", &b) == 0 && a.count == 2);
  CHECK(CALL(FnSP, services, 6, "sub\\page.htm", &a) == 0 && a.count == 1);
  CHECK(CALL(FnSP, copier, 10, "Sub/Page.HTM", out) == 1);
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

/* The file functions in the result folder of manager m (folder + "out/"),
 * given its built-in functions for the time: loading, a missing or empty
 * file (the statement's own text), saving, moving. */
static void CheckFileFunctions(void* m, FactoryFn make_set, const char* folder) {
  static const struct {
    const char *text, *value; /* "%s": the folder */
  } kCases[] = {
      {"LoadFromFile('%sout/far.txt')", "far"},
      {"LoadFromFile('far.txt', 'result')", "far"},
      {"LoadFromFile('%sout/none.txt')", "LoadFromFile('%sout/none.txt')"},
      {"LoadFromFile('%sout/empty.txt')", "LoadFromFile('%sout/empty.txt')"},
      {"FileName('far.txt', 'Result')", "%sout/far.txt"},
      {"SaveToFile('saved.txt', 'result')", ""},
      {"MoveFile('%sout/far.txt', '%sout/moved/far.txt')", ""},
      {"LoadFromFile('moved/far.txt', 'result')", "far"},
      {"MoveFile('%sout/far.txt')", "(unchanged)"},
      {"MoveFile('%sout/moved/far.txt')", ""},
  };
  void* set = NULL;
  char text[800], value[800], path[800];
  FILE* saved;
  size_t i, j;
  if (!CHECK(make_set(&set) == 0 && set != NULL)) return;
  CHECK(CALL(FnP, set, 5, m) == 0 && CALL0(set, 3) == 0);
  snprintf(path, sizeof path, "%sout/empty.txt", folder);
  WriteText(path, "");
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    CvoString* out = NewHostString("(unchanged)");
    snprintf(text, sizeof text, kCases[i].text, folder, folder);
    snprintf(value, sizeof value, kCases[i].value, folder);
    for (j = 0; strncmp(text, "FileName", 8) == 0 && value[j] != '\0'; ++j)
      if (value[j] == '/') value[j] = '\\'; /* FileName turns every "/" */
    CHECK(CALL(FnSP, m, kManagerEvaluateExpression, text, out) == 0);
    if (strcmp(TextOf(out), value) != 0) fprintf(stderr, "  statement: %s\n", text);
    CHECK_TEXT(TextOf(out), value);
    Drop(out);
  }
  snprintf(path, sizeof path, "%sout/saved.txt", folder);
  saved = fopen(path, "rb");
  CHECK(saved != NULL);
  if (saved != NULL) fclose(saved);
  snprintf(path, sizeof path, "%sout/moved/far.txt", folder);
  CHECK(!FileText(path, text, sizeof text));
  CHECK(CALL0(set, 4) == 0 && RELEASE(set) == 0);
}

/* A second manager copies names given as paths: one inside the result
 * folder keeps its place, one elsewhere lands in the root, the later of
 * two with one destination wins; CopyTemplateFile searches on past a copied
 * file, and copies to a destination given in its string. The manager's
 * temporary folder goes with it. */
static void CheckCopyPass(FactoryFn create_manager, FactoryFn make_set) {
  PathSource source = {{kPathSourceTable, 1, "path source"}, "", {"", "", "", ""}};
  void *m = NULL, *c = NULL;
  CvoString* out = NewHostString(NULL);
  char path[700], text[64];
  FILE* gone;
  if (!CHECK(create_manager(&m) == 0 && m != NULL && out != NULL)) return;
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

  ClearHostRecord();
  CHECK(CALL(FnSP, c, 10, "A\\SAME.TXT", out) == 1);
  CHECK_TEXT(TextOf(out), "");
  host.stop = 1;
  CHECK(CALL(FnSP, c, 10, "A\\SAME.TXT", out) == 0);
  host.stop = 0;
  snprintf(path, sizeof path, "%sout/again.txt", source.folder);
  Give(out, path);
  CHECK(CALL(FnSP, c, 10, "a/same.txt", out) == 0 && host.notified == 0);
  CHECK_TEXT(TextOf(out), path);
  CHECK(FileText(path, text, sizeof text));
  CHECK_TEXT(text, "first");

  CheckFileFunctions(m, make_set, source.folder);
  CHECK(CALL(FnP, m, 6, &source) == 0 && source.base.count == 1);
  CHECK(CALL0(c, 5) == 0 && RELEASE(c) == 1 && RELEASE(m) == 0);
  gone = fopen(path, "rb");
  CHECK(gone == NULL);
  if (gone != NULL) fclose(gone);
  Drop(out);
}

/* ---- The template file cache, through the manager ----------------------------- */

#if !defined(_WIN32)
/* A file of the extension folder beside the library is cached once, found
 * in any letter case, copied now or deferred, and served as cached after it
 * changes on disk. */
static void CheckCache(void) {
  char extension[600], folder[700], path[760], upper[760], copy[760], text[64];
  const char* slash = strrchr(QUENLOFT_LIBRARY_FILE, '/');
  size_t i;
  if (!CHECK(slash != NULL)) return;
  snprintf(extension, sizeof extension, "%.*sPelion5Ext",
           (int)(slash - QUENLOFT_LIBRARY_FILE + 1), QUENLOFT_LIBRARY_FILE);
  snprintf(folder, sizeof folder, "%s/contract-host-%ld", extension, (long)getpid());
  snprintf(path, sizeof path, "%s/a.htm", folder);
  snprintf(copy, sizeof copy, "contract_host_test_copy.htm");
  mkdir(extension, 0700);
  CHECK(mkdir(folder, 0700) == 0);
  WriteText(path, "cached");
  for (i = 0; path[i] != '\0'; ++i)
    upper[i] = (char)(path[i] >= 'a' && path[i] <= 'z' ? path[i] - 'a' + 'A' : path[i]);
  upper[i] = '\0';

  CHECK(CALL(FnS, manager, 21, path) == (int32_t)0x80004005u);
  CHECK(CALL(FnS, manager, 18, path) == 0 && CALL(FnS, manager, 18, path) == 0);
  CHECK(CALL(FnS, manager, 21, path) == 0 && CALL(FnS, manager, 21, upper) == 0);
  WriteText(path, "edited");
  CHECK(CALL(FnSSI, manager, 19, path, copy, 1) == 1);
  CHECK(!FileText(copy, text, sizeof text) || strcmp(text, "cached") != 0);
  CHECK(CALL(FnSSI, manager, 19, path, copy, 0) == 0);
  CHECK(FileText(copy, text, sizeof text));
  CHECK_TEXT(text, "cached");
  remove(copy);
  remove(path);
  rmdir(folder);
  rmdir(extension);
}
#endif

/* ---- The library's own resolver set --------------------------------------------- */

static void CheckResolverSet(FactoryFn make_set, FactoryFn make_manager) {
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
  /* Another manager given while initialised: Uninitialize detaches from
   * the first. */
  other = NULL;
  if (CHECK(make_manager(&other) == 0 && other != NULL)) {
    CHECK(CALL(FnP, set, 5, other) == 0 && CALL0(set, 4) == 0);
    CHECK(CALL(FnS, manager, 11, "NameToColor('red')") == 1);
    CHECK(RELEASE(other) == 0);
  }
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

int main(void) {
  Library library = {NULL, NULL, NULL, NULL};
  if (Open(&library)) {
    CheckResolverSet(library.create_resolvers, library.create_manager);
    if (AttachBuiltins(&library)) {
      CheckScopeListing();
      CheckScopeVariables();
      CheckRegistry();
      CheckStatements();
      CheckFilesOnDisk();
      CheckContexts();
      CheckTemplateFiles();
      CheckUpdatePass();
      CheckCopyPass(library.create_manager, library.create_resolvers);
#if !defined(_WIN32)
      CheckCache();
#endif
      CheckOwnModule();
      /* Priming reports nothing and always answers 1. */
      CHECK(library.prime() == 1 && library.prime() == 1);
    }
  }
  return Close(&library);
}
