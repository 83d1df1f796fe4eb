/* The contract slot by slot, as a host written from the interface
 * descriptions alone checks it: every object reached through its table by
 * slot number, with the host's own string objects, callback and resolvers
 * (c_host.h, recording_host.h). Tables give, per slot, what a missing or
 * given argument returns and what lands in the string object and the
 * host's log; then the identities and counts, the registry's rule of the
 * first holder, the scopes an assignment lands in, the built-in functions
 * and the markers of each file type. */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "c_abi/c_host.h"
#include "c_abi/recording_host.h"

#if !defined(QUENLOFT_LIBRARY_FILE)
#error "QUENLOFT_LIBRARY_FILE must name the library"
#endif

/* ---- Any slot of any object, by number ------------------------------------- */

typedef int32_t(HOSTCALL* Fn0)(void*);
typedef int32_t(HOSTCALL* FnP)(void*, void*);
typedef int32_t(HOSTCALL* FnS)(void*, const char*);
typedef int32_t(HOSTCALL* FnI)(void*, int32_t);
typedef int32_t(HOSTCALL* FnPP)(void*, void*, void*);
typedef int32_t(HOSTCALL* FnSP)(void*, const char*, void*);
typedef int32_t(HOSTCALL* FnPS)(void*, void*, const char*);
typedef int32_t(HOSTCALL* FnSS)(void*, const char*, const char*);
typedef int32_t(HOSTCALL* FnIP)(void*, int32_t, void*);
typedef int32_t(HOSTCALL* FnSPP)(void*, const char*, void*, void*);
typedef int32_t(HOSTCALL* FnSSS)(void*, const char*, const char*, const char*);
typedef int32_t(HOSTCALL* FnSSI)(void*, const char*, const char*, int32_t);
typedef int32_t(HOSTCALL* FnQ)(void*, const IID16*, void**);

static HostSlot SlotOf(void* object, int slot) { return (*(const HostSlot* const*)object)[slot]; }
#define CALL0(object, slot) ((Fn0)SlotOf(object, slot))(object)
#define CALL(type, object, slot, ...) ((type)SlotOf(object, slot))(object, __VA_ARGS__)
#define QUERY(object, iid, out) CALL(FnQ, object, 0, iid, (void**)(out))
#define RELEASE(object) CALL0(object, 2)

/* Slots named where several tables use them. */
enum { kManagerResolveMacroText = 12, kManagerEvaluateExpression = 13 };
enum { kServicesRegisterName = 3, kServicesCreateMacroCall = 7, kServicesCreateExpression = 8,
       kServicesCreatePatchedFile = 9 };

static void* manager;  /* ITplManager */
static void* copier;   /* ITplFileCopier */
static void* services; /* ITplMacroServices */
static void* builtins; /* the library's own resolver set */

typedef int32_t(HOSTCALL* FactoryFn)(void**);

/* The text a host gets back from a call that answers in a string object:
 * "(unchanged)" when it did not write. */
static const char* Answer(int slot, const char* text, char* buffer, size_t size) {
  CvoString* out = NewHostString("(unchanged)");
  snprintf(buffer, size, "%s", out == NULL ? "(no memory)" : "");
  if (out == NULL) return buffer;
  CALL(FnSP, manager, slot, text, out);
  snprintf(buffer, size, "%s", TextOf(out));
  Drop(out);
  return buffer;
}

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

/* A plain object with one reference, for result objects. */
static int32_t HOSTCALL PlainQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_NOTIMPL);
}
static const HostSlot kPlainTable[] = HOST_TABLE(
    [0] = SLOT(PlainQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease));

/* ---- Slot by slot: missing and given arguments ------------------------------ */

typedef enum Target {
  kManager, kCopier, kServices, kCall, kExpression, kFile, kScope, kSet
} Target;

typedef enum Shape {
  kNoArgs,       /* () */
  kText,         /* (text) */
  kOut,          /* (string) */
  kTextOut,      /* (text, string) */
  kOutText,      /* (string, text) */
  kTextText,     /* (text, "value") */
  kTextNull,     /* (text, NULL object) */
  kTextNullOut,  /* (text, NULL object, string) */
  kIndexOut,     /* (number, string) */
  kNumber,       /* (number) */
  kObjectOut,    /* (&object): an out-pointer to an interface */
  kNullPointers, /* (NULL, NULL) */
  kTextHostText  /* (text, "host", "param") */
} Shape;

typedef struct Row {
  Target target;
  int slot;
  Shape shape;
  const char* setup; /* set with slot 3 (SetText) first: calls, expressions, files */
  const char* text;
  int32_t number;
  int string;        /* 1: a host string holding "(unchanged)"; 0: a null pointer */
  int32_t result;
  const char* out;   /* the string's text afterwards (with a string) */
  const char* log;   /* what the host was told; NULL: not looked at */
} Row;

/* The object a row calls: the manager's interfaces, the global scope, or a
 * new call, expression, patched file or resolver set with one reference. */
static void* Subject(Target target, FactoryFn make_set) {
  void* object = NULL;
  switch (target) {
    case kManager: object = manager; break;
    case kCopier: object = copier; break;
    case kServices: object = services; break;
    case kCall: CALL(FnPP, services, kServicesCreateMacroCall, &object, NULL); break;
    case kExpression: CALL(FnPP, services, kServicesCreateExpression, &object, NULL); break;
    case kFile: CALL(FnP, services, kServicesCreatePatchedFile, &object); break;
    case kScope: QUERY(manager, &kIidVariables, &object); break;
    case kSet: make_set(&object); break;
  }
  if (object != NULL && target <= kServices) CALL0(object, 1);
  return object;
}

static void CheckRows(const Row* rows, size_t count, FactoryFn make_set) {
  size_t i;
  for (i = 0; i < count; ++i) {
    const Row* row = &rows[i];
    void* object = Subject(row->target, make_set);
    CvoString* out = row->string ? NewHostString("(unchanged)") : NULL;
    void* given = NULL;
    int32_t result = -1;
    if (object == NULL) {
      fprintf(stderr, "row %u: no object\n", (unsigned)i);
      CHECK(object != NULL);
      continue;
    }
    if (row->setup != NULL) CALL(FnS, object, 3, row->setup);
    ClearHostRecord();
    switch (row->shape) {
      case kNoArgs: result = CALL0(object, row->slot); break;
      case kText: result = CALL(FnS, object, row->slot, row->text); break;
      case kOut: result = CALL(FnP, object, row->slot, out); break;
      case kTextOut: result = CALL(FnSP, object, row->slot, row->text, out); break;
      case kOutText: result = CALL(FnPS, object, row->slot, out, row->text); break;
      case kTextText: result = CALL(FnSS, object, row->slot, row->text, "value"); break;
      case kTextNull: result = CALL(FnSP, object, row->slot, row->text, NULL); break;
      case kTextNullOut: result = CALL(FnSPP, object, row->slot, row->text, NULL, out); break;
      case kIndexOut: result = CALL(FnIP, object, row->slot, row->number, out); break;
      case kNumber: result = CALL(FnI, object, row->slot, row->number); break;
      case kObjectOut: result = CALL(FnP, object, row->slot, &given); break;
      case kNullPointers: result = CALL(FnPP, object, row->slot, NULL, NULL); break;
      case kTextHostText:
        result = CALL(FnSSS, object, row->slot, row->text, "host", "param");
        break;
    }
    if (!CHECK(result == row->result))
      fprintf(stderr, "  row %u (slot %d): result %ld, expected %ld\n", (unsigned)i, row->slot,
              (long)result, (long)row->result);
    if (out != NULL) CHECK_TEXT(TextOf(out), row->out);
    if (row->log != NULL) CHECK_TEXT(host.log, row->log);
    if (row->shape == kObjectOut) {
      /* An out-pointer is left null with a failure; an answer has a reference. */
      CHECK(result == 0 || given == NULL);
      if (given != NULL) RELEASE(given);
    }
    Drop(out);
    RELEASE(object);
  }
}

#define UNKNOWN "Template Error: can not resolve macro: "
static const Row kManagerRows[] = {
    /* ITplFileCopier first, while the update list is empty. */
    {kCopier, 6, kNoArgs, NULL, NULL, 0, 0, 0, NULL, ""},
    {kCopier, 7, kNoArgs, NULL, NULL, 0, 0, 0, NULL, "\r\n"},
    {kCopier, 4, kTextHostText, NULL, NULL, 0, 0, 1, NULL, ""},
    {kCopier, 4, kTextHostText, NULL, "libno-such-module.so", 0, 0, 1, NULL, ""},
    {kCopier, 8, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kCopier, 8, kTextOut, NULL, "", 0, 1, 1, "(unchanged)", ""},
    {kCopier, 8, kTextOut, NULL, "Concat('a')", 0, 0, 1, NULL, ""},
    {kCopier, 8, kTextOut, NULL, "NoResolver", 0, 1, 1, "(unchanged)", ""},
    {kCopier, 9, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kCopier, 9, kTextOut, NULL, "Concat('a')", 0, 0, 1, NULL, ""},
    {kCopier, 9, kTextOut, NULL, "Concat('a')", 0, 1, 1, "(unchanged)", ""},
    {kCopier, 10, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kCopier, 10, kTextOut, NULL, "", 0, 1, 1, "(unchanged)", ""},
    {kCopier, 10, kTextOut, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kCopier, 10, kTextOut, NULL, "not-registered.htm", 0, 1, 1, "(unchanged)", ""},
    /* ITplManager. */
    {kManager, 3, kOut, NULL, NULL, 0, 0, 1, NULL, ""},
    {kManager, 4, kOut, NULL, NULL, 0, 0, 1, NULL, ""},
    {kManager, 5, kOut, NULL, NULL, 0, 0, 1, NULL, ""},
    {kManager, 6, kOut, NULL, NULL, 0, 0, 1, NULL, ""},
    /* A null string object is refused before the host could write to it. */
    {kManager, 7, kOutText, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kManager, 7, kOutText, NULL, "", 0, 1, 1, "(unchanged)", "[asked to map ]"},
    {kManager, 7, kOutText, NULL, "C:\\a\\b\\C.Htm", 0, 1, 0, "C.Htm", NULL},
    {kManager, 7, kOutText, NULL, "/srv/skin/x.css", 0, 1, 0, "x.css", NULL},
    {kManager, 7, kOutText, NULL, "a/b/c.htm", 0, 1, 0, "a\\b\\c.htm", NULL},
    {kManager, 8, kText, NULL, NULL, 0, 0, 0, NULL, ""},
    {kManager, 8, kText, NULL, "", 0, 0, 0, NULL, ""},
    {kManager, 8, kText, NULL, "D:/elsewhere/x.htm", 0, 0, 1, NULL, ""},
    {kManager, 8, kText, NULL, "C:/OUT/Sub/x.htm", 0, 0, 0, NULL, ""},
    {kManager, 9, kOut, NULL, NULL, 0, 0, 0, NULL, ""},
    {kManager, 10, kTextText, NULL, NULL, 0, 0, 0, NULL, ""},
    {kManager, 10, kTextNull, NULL, "System.Unset", 0, 0, 0, NULL, ""},
    {kManager, 11, kText, NULL, NULL, 0, 0, 1, NULL, ""},
    {kManager, 11, kText, NULL, "", 0, 0, 1, NULL, ""},
    {kManager, 11, kText, NULL, "Concat('a')", 0, 0, 0, NULL, ""},
    {kManager, 11, kText, NULL, "x = Concat . y(a)", 0, 0, 0, NULL, ""},
    {kManager, 11, kText, NULL, "concat('a')", 0, 0, 1, NULL, ""},
    {kManager, 11, kText, NULL, "System.Anything", 0, 0, 0, NULL, ""},
    {kManager, 11, kText, NULL, "'Concat'", 0, 0, 1, NULL, ""},
    {kManager, 12, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 12, kTextOut, NULL, "'abc'", 0, 0, 1, NULL, ""},
    {kManager, 12, kTextOut, NULL, "\"abc\"", 0, 1, 0, "abc", ""},
    {kManager, 12, kTextOut, NULL, "Foo.Bar", 0, 1, 0, "", UNKNOWN "Foo.Bar \r\n"},
    {kManager, 12, kTextOut, NULL, "System.Unset", 0, 1, 0, "", ""},
    {kManager, 12, kTextOut, NULL, "z = 'v'", 0, 1, 0, "v", ""},
    {kManager, 12, kTextOut, NULL, "Output(a\\%b)", 0, 1, 0, "a\\%b", UNKNOWN "a\\%b \r\n"},
    {kManager, 13, kTextOut, NULL, "Output(a\\%b)", 0, 1, 0, "a%b", UNKNOWN "a%b \r\n"},
    {kManager, 12, kTextOut, NULL, "Concat(System.NoSuchValue)", 0, 1, 0, "System.NoSuchValue", ""},
    {kManager, 12, kTextOut, NULL, "z", 0, 1, 0, "", UNKNOWN "z \r\n"},
    {kManager, 13, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 13, kTextOut, NULL, "'abc'", 0, 0, 1, NULL, ""},
    {kManager, 13, kTextOut, NULL, "abcd", 0, 1, 0, "(unchanged)", ""},
    {kManager, 13, kTextOut, NULL, "  ;  ; ", 0, 1, 0, "", ""},
    {kManager, 13, kTextOut, NULL, "Nope; 'x'", 0, 1, 0, "(unchanged)", UNKNOWN "Nope \r\n"},
    {kManager, 13, kTextOut, NULL, "System.Unset", 0, 1, 0, "System.Unset", ""},
    {kManager, 14, kTextNullOut, NULL, "'a'", 0, 1, 0, "a", ""},
    {kManager, 14, kTextNullOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 15, kTextNullOut, NULL, "'a';'b'", 0, 1, 0, "ab", ""},
    {kManager, 15, kTextNullOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 16, kTextNullOut, NULL, "'a'", 0, 1, 0, "a", ""},
    {kManager, 16, kTextNullOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 17, kText, NULL, "/no/such/folder/x.htm", 0, 0, 1, NULL, ""},
    {kManager, 18, kText, NULL, "/no/such/folder/x.htm", 0, 0, 1, NULL, ""},
    {kManager, 21, kText, NULL, "/no/such/folder/x.htm", 0, 0, (int32_t)0x80004005u, NULL, ""},
    {kManager, 22, kText, NULL, "C:\\OUT\\none.htm", 0, 0, 1, NULL, ""},
    {kCopier, 11, kText, NULL, "C:\\out\\missing.htm", 0, 0, 0, NULL,
     "\r\nError: Fail to update Template file missing.htm\r\n"},
    /* ITplMacroServices. */
    {kServices, 3, kNullPointers, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 3, kTextNull, NULL, "x", 0, 0, 1, NULL, ""},
    {kServices, 4, kTextNull, NULL, "x", 0, 0, 1, NULL, ""},
    {kServices, 5, kNullPointers, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 5, kTextNull, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kServices, 6, kTextNull, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kServices, 7, kNullPointers, NULL, NULL, 0, 0, 0, NULL, ""},
    {kServices, 8, kNullPointers, NULL, NULL, 0, 0, 0, NULL, ""},
    {kServices, 9, kOut, NULL, NULL, 0, 0, 0, NULL, ""},
    {kServices, 10, kOut, NULL, NULL, 0, 0, 1, NULL, ""},
};

static const char kStatement[] = "t = Concat . m(a, 'b')";
static const Row kObjectRows[] = {
    /* ITplMacroCall. */
    {kCall, 3, kText, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 3, kText, kStatement, "", 0, 0, 1, NULL, ""},
    {kCall, 4, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 4, kOut, kStatement, NULL, 0, 1, 0, kStatement, ""},
    {kCall, 4, kOut, NULL, NULL, 0, 1, 0, "", ""},
    {kCall, 5, kOut, kStatement, NULL, 0, 0, 0, NULL, ""},
    {kCall, 5, kOut, kStatement, NULL, 0, 1, 0, "Concat", ""},
    {kCall, 6, kOut, kStatement, NULL, 0, 0, 0, NULL, ""},
    {kCall, 6, kOut, kStatement, NULL, 0, 1, 0, "m", ""},
    {kCall, 7, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 8, kIndexOut, kStatement, NULL, 1, 1, 0, "'b'", ""},
    {kCall, 8, kIndexOut, kStatement, NULL, 2, 1, 1, "(unchanged)", ""},
    {kCall, 8, kIndexOut, kStatement, NULL, -1, 1, 1, "(unchanged)", ""},
    {kCall, 8, kIndexOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 9, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 9, kOut, kStatement, NULL, 0, 1, 0, "t", ""},
    {kCall, 9, kOut, "Concat(a)", NULL, 0, 1, 0, "", ""},
    {kCall, 10, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 10, kObjectOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 11, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 11, kObjectOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 12, kOut, kStatement, NULL, 0, 0, 0, NULL, ""},
    {kCall, 13, kOut, kStatement, NULL, 0, 1, 1, "(unchanged)", ""},
    {kCall, 13, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 14, kOut, kStatement, NULL, 0, 0, 0, NULL, ""},
    {kCall, 15, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 15, kObjectOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 16, kOut, kStatement, NULL, 0, 0, 1, NULL, ""},
    {kCall, 16, kOut, kStatement, NULL, 0, 1, 0, kStatement, ""},
    {kCall, 17, kOut, kStatement, NULL, 0, 0, 0, NULL, ""},
    /* ITplExpression. */
    {kExpression, 3, kText, "'a';'b'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 4, kOut, "'a';'b'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 4, kOut, "'a';'b'", NULL, 0, 1, 0, "'a';'b'", ""},
    {kExpression, 5, kNullPointers, "'a';'b'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 6, kNullPointers, "'a';'b'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 7, kOut, "'a';'b'", NULL, 0, 0, 1, NULL, ""},
    {kExpression, 7, kOut, "'a';'b'", NULL, 0, 1, 0, "ab", ""},
    {kExpression, 7, kOut, "'a;b'", NULL, 0, 1, 0, "a;b", ""},
    {kExpression, 7, kOut, "abcd", NULL, 0, 1, 1, "(unchanged)", ""},
    {kExpression, 7, kOut, "  ;  ; ", NULL, 0, 1, 0, "", ""},
    {kExpression, 7, kOut, "Nope1; t$$ = 'side'", NULL, 0, 1, 1, "Nope1; t$$ = 'side'",
     UNKNOWN "Nope1 \r\n"},
    {kExpression, 7, kOut, "v = 'a'; Concat(v, v, t$$)", NULL, 0, 1, 0, "aaside", ""},
    {kExpression, 7, kOut, "Concat(v, 'x')", NULL, 0, 1, 0, "vx", UNKNOWN "v \r\n"},
    {kExpression, 8, kOut, "'a'", NULL, 0, 0, 1, NULL, ""},
    {kExpression, 8, kObjectOut, "'a'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 9, kOut, "'a'", NULL, 0, 0, 0, NULL, ""},
    {kExpression, 9, kObjectOut, "'a'", NULL, 0, 0, 0, NULL, ""},
    /* ITplPatchedFile, without a file name: only "%%%...%%%" markers. */
    {kFile, 3, kText, "a <!--%'b'%--> %%%'c'%%%", NULL, 0, 0, 0, NULL, ""},
    {kFile, 4, kOut, "a <!--%'b'%--> %%%'c'%%%", NULL, 0, 0, 0, NULL, ""},
    {kFile, 4, kOut, "a <!--%'b'%--> %%%'c'%%%", NULL, 0, 1, 0, "a <!--%'b'%--> %%%'c'%%%", ""},
    {kFile, 5, kText, "a", NULL, 0, 0, 0, NULL, ""},
    {kFile, 6, kOut, "a", NULL, 0, 0, 1, NULL, ""},
    {kFile, 6, kOut, "a", NULL, 0, 1, 0, "", ""},
    {kFile, 7, kOut, "a <!--%'b'%--> %%%'c'%%%", NULL, 0, 0, 0, NULL, ""},
    {kFile, 7, kOut, "a <!--%'b'%--> %%%'c'%%%", NULL, 0, 1, 0, "a <!--%'b'%--> %%%'c'%%%", ""},
    {kFile, 7, kOut, "a <!--%'bbb'%--> %%%'ccc'%%%", NULL, 0, 1, 0, "a <!--%'bbb'%--> ccc", ""},
    {kFile, 8, kText, "a", "/no/such/folder/x.htm", 0, 0, 0, NULL, ""},
    {kFile, 8, kText, "a", NULL, 0, 0, 0, NULL, ""},
    {kFile, 9, kText, "a", "/no/such/folder/x.htm", 0, 0, 0, NULL, ""},
    {kFile, 10, kText, "a", NULL, 0, 0, 0, NULL, ""},
    /* ITplVariables of the manager ("Global-Manager"). */
    {kScope, 3, kNoArgs, NULL, NULL, 0, 0, 0, NULL, ""},
    {kScope, 4, kNoArgs, NULL, NULL, 0, 0, 0, NULL, ""},
    {kScope, 5, kNullPointers, NULL, NULL, 0, 0, 0, NULL, ""},
    {kScope, 6, kNullPointers, NULL, NULL, 0, 0, 0, NULL, ""},
    {kScope, 7, kText, NULL, "x", 0, 0, 0, NULL, ""},
    {kScope, 8, kOut, NULL, NULL, 0, 0, 0, NULL, ""},
    {kScope, 9, kTextText, NULL, NULL, 0, 0, 1, NULL, ""},
    {kScope, 9, kTextText, NULL, "", 0, 0, 1, NULL, ""},
    {kScope, 9, kTextText, NULL, "s$$", 0, 0, 1, NULL, ""},
    {kScope, 10, kTextText, NULL, NULL, 0, 0, 1, NULL, ""},
    {kScope, 10, kTextText, NULL, "s$$", 0, 0, 1, NULL, ""},
    {kScope, 11, kText, NULL, NULL, 0, 0, 1, NULL, ""},
    {kScope, 11, kText, NULL, "absent$$", 0, 0, 1, NULL, ""},
    /* ITplResolverSet, new and without a manager. */
    {kSet, 3, kNoArgs, NULL, NULL, 0, 0, 0, NULL, ""},
    {kSet, 4, kNoArgs, NULL, NULL, 0, 0, 0, NULL, ""},
    {kSet, 5, kOut, NULL, NULL, 0, 0, 0, NULL, ""},
    {kSet, 6, kText, NULL, NULL, 0, 0, 0, NULL, ""},
    {kSet, 7, kText, NULL, NULL, 0, 0, 0, NULL, ""},
    {kSet, 8, kNumber, NULL, NULL, 7, 0, 0, NULL, ""},
};

/* ---- Identity and counts ------------------------------------------------------ */

/* Every object: its answer to a null out-pointer, to an ID it does not
 * have (with the out-pointer preset, and the count unchanged), and to each
 * ID it has; AddRef and Release return the new count. */
static void CheckIdentities(FactoryFn make_set) {
  static const IID16* const kManagerIds[] = {&kIidManager, &kIidFileCopier, &kIidMacroServices,
                                             &kIidVariables, NULL};
  static const IID16* const kExpressionIds[] = {&kIidExpression, &kIidVariables, NULL};
  static const IID16* const kFileIds[] = {&kIidPatchedFile, &kIidVariables, NULL};
  static const IID16* const kCallIds[] = {&kIidMacroCall, NULL};
  static const IID16* const kScopeIds[] = {&kIidResolver, &kIidVariables, NULL};
  static const IID16* const kSetIds[] = {&kIidResolverSet, NULL};
  static const IID16* const kStrangers[] = {&kIidUnknown, &kIidResolverEx, &kIidResolver,
                                            &kIidManager, &kIidResolverSet};
  static const struct {
    Target target;
    int32_t null_out;
    const IID16* const* ids;
  } kObjects[] = {
      {kManager, HOST_E_NOTIMPL, kManagerIds},   {kCopier, HOST_E_NOTIMPL, kManagerIds},
      {kServices, HOST_E_NOTIMPL, kManagerIds},  {kCall, HOST_E_INVALIDARG, kCallIds},
      {kExpression, HOST_E_INVALIDARG, kExpressionIds},
      {kFile, HOST_E_INVALIDARG, kFileIds},      {kScope, 1, kScopeIds},
      {kSet, HOST_E_INVALIDARG, kSetIds},
  };
  size_t i, j, k;
  for (i = 0; i < sizeof kObjects / sizeof kObjects[0]; ++i) {
    void* object = Subject(kObjects[i].target, make_set);
    int32_t count;
    if (!CHECK(object != NULL)) continue;
    count = CALL0(object, 1) - 1;
    CHECK(CALL0(object, 2) == count);
    CHECK(QUERY(object, &kIidManager, NULL) == kObjects[i].null_out);
    for (j = 0; j < sizeof kStrangers / sizeof kStrangers[0]; ++j) {
      void* got = &got;
      int has = 0;
      for (k = 0; kObjects[i].ids[k] != NULL; ++k) has |= kObjects[i].ids[k] == kStrangers[j];
      if (has) continue;
      CHECK(QUERY(object, kStrangers[j], &got) == HOST_E_NOTIMPL && got == NULL);
      CHECK(CALL0(object, 1) == count + 1 && CALL0(object, 2) == count);
    }
    for (k = 0; kObjects[i].ids[k] != NULL; ++k) {
      void* got = NULL;
      if (!CHECK(QUERY(object, kObjects[i].ids[k], &got) == 0 && got != NULL)) continue;
      if (kObjects[i].ids[k] != &kIidVariables || kObjects[i].target == kScope)
        CHECK(CALL0(object, 1) == count + 2 && CALL0(object, 2) == count + 1);
      RELEASE(got);
    }
    RELEASE(object);
  }
}

/* The manager's three interfaces are views of one object; the global scope
 * is one object, counted and never destroyed by Release. */
static void CheckManagerIdentity(void) {
  const IID16* const ids[] = {&kIidManager, &kIidFileCopier, &kIidMacroServices};
  void* const views[] = {manager, copier, services};
  void *scope = NULL, *again = NULL, *file = NULL;
  char buffer[64];
  size_t i, j;
  for (i = 0; i < 3; ++i)
    for (j = 0; j < 3; ++j) {
      void* got = NULL;
      CHECK(QUERY(views[i], ids[j], &got) == 0 && got == views[j]);
      if (got != NULL) RELEASE(got);
    }
  CHECK(QUERY(copier, &kIidVariables, &scope) == 0 && scope != NULL);
  CHECK(QUERY(services, &kIidVariables, &again) == 0 && again == scope);
  if (scope != NULL) RELEASE(scope);
  if (again != NULL) RELEASE(again);
  /* A file's scope at count 0 still works while the file holds it; its
   * names go with the file. */
  CALL(FnP, services, kServicesCreatePatchedFile, &file);
  if (!CHECK(file != NULL)) return;
  CHECK(QUERY(file, &kIidVariables, &scope) == 0 && scope != NULL && RELEASE(scope) == 0);
  CHECK(CALL(FnSS, scope, 9, "alive$", "yes") == 1);
  CHECK_TEXT(Answer(kManagerResolveMacroText, "alive$", buffer, sizeof buffer), "yes");
  CHECK(RELEASE(file) == 0);
  ClearHostRecord();
  CHECK_TEXT(Answer(kManagerResolveMacroText, "alive$", buffer, sizeof buffer), "");
  CHECK_TEXT(host.log, UNKNOWN "alive$ \r\n");
}

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
  NameResolver declining = NAME_RESOLVER("declining resolver", "ignored", 1, "Declines", NULL, NULL);
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

/* ---- The statement grammar, read back through a call's getters ------------ */

/* The parts of a parsed statement as "target|name|member|arg;arg;...". */
static void Parts(void* call, char* parts, size_t size) {
  CvoString* out = NewHostString(NULL);
  int32_t count = 0, i;
  parts[0] = '\0';
  if (out == NULL) return;
  CALL(FnP, call, 9, out);
  Append(parts, size, TextOf(out));
  CALL(FnP, call, 5, out);
  Append(parts, size, "|");
  Append(parts, size, TextOf(out));
  CALL(FnP, call, 6, out);
  Append(parts, size, "|");
  Append(parts, size, TextOf(out));
  Append(parts, size, "|");
  CALL(FnP, call, 7, &count);
  for (i = 0; i < count; ++i) {
    CALL(FnIP, call, 8, i, out);
    Append(parts, size, i > 0 ? ";" : "");
    Append(parts, size, TextOf(out));
  }
  Drop(out);
}

static void CheckParse(void) {
  static const struct {
    const char *text, *parts;
  } kCases[] = {
      {"Concat(a, 'b')", "|Concat||a;'b'"},
      {"System.RootFolderName", "|System|RootFolderName|"},
      {" x = IsTrue(yes) ", "x|IsTrue||yes"},
      {"x.y = Output(1)", "x.y|||1"},
      {"CompareNumber(==, 1, 2)", "CompareNumber(=|||==;1;2"},
      {"CompareNumber('==', 1, 2)", "|CompareNumber||'==';1;2"},
      {"Output(x = 1)", "Output(x|||x = 1"},
      {"Concat(a, Concat(b, c))", "|Concat||a;Concat(b;c)"},
      {"Concat(a, IsEmpty(b))", "|Concat||a;IsEmpty(b)"},
      {"Output()", "|Output||"},
      {"Output( )", "|Output||"},
      {"Output(a,)", "|Output||a,"},
      {"Output(a, )", "|Output||a"},
      {"Output(,a)", "|Output||;a"},
      {"Output('a,b')", "|Output||'a,b'"},
      {"Output(a\\%b)", "|Output||a\\%b"},
      {"Output('a\\'b', c)", "|Output||'a\\'b';c"},
      {"'Hello'", "|'Hello'||"},
      {"t = 'a=b'", "t|'a=b'||"},
      {"Output(a", "|Output||"},
      {"a.b.c(x.y)", "|a|b.c|x.y"},
      {".x", "|||"},
      {"f(a)(b)", "|f||a)(b"},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    void* call = NULL;
    char parts[256];
    CALL(FnPP, services, kServicesCreateMacroCall, &call, NULL);
    if (!CHECK(call != NULL)) continue;
    CHECK(CALL(FnS, call, 3, kCases[i].text) == 0);
    Parts(call, parts, sizeof parts);
    if (strcmp(parts, kCases[i].parts) != 0) fprintf(stderr, "  statement: %s\n", kCases[i].text);
    CHECK_TEXT(parts, kCases[i].parts);
    CHECK(RELEASE(call) == 0);
  }
}

/* ---- Markers by file type ------------------------------------------------------ */

static void CheckMarkers(void) {
  static const struct {
    const char *name, *text, *output;
  } kCases[] = {
      {"a.htm", "x <!--%Output('a')%--> y", "x a y"},
      {"a.txt", "x <!--%Output('a')%--> y", "x <!--%Output('a')%--> y"},
      {"a.txt", "%%%Output('a')%%%", "a"},
      {"", "%%%Output('a')%%% <!--%Output('b')%-->", "a <!--%Output('b')%-->"},
      {"C:\\Skin\\FILE.HTM", "<!--%Output('b')%-->", "b"},
      {"/skin/a.html", "<!--%Output('b')%-->", "b"},
      {"a.htx", "<!--%Output('b')%-->", "b"},
      {"a.hhc", "<!--%Output('b')%-->", "b"},
      {"a.hhk", "<!--%Output('b')%-->", "b"},
      {"a.xml", "<!--%Output('b')%-->", "b"},
      {"a.xsl", "<!--%Output('b')%-->", "b"},
      {"a.css", "/*%Output('aa')%*/ <!--%Output('b')%--> ;%Output('c')%; %%%Output('d')%%%", "aa <!--%Output('b')%--> ;%Output('c')%; d"},
      {"a.JS", "/*%Output('aa')%*/ ;%Output('c')%;", "aa ;%Output('c')%;"},
      {"a.ini", ";%Output('c')%; /*%Output('aa')%*/ <!--%Output('b')%-->", "c /*%Output('aa')%*/ <!--%Output('b')%-->"},
      {"a.hhs", ";%Output('c')%;", "c"},
      {"a.res", ";%Output('c')%;", "c"},
      {"a.txt", "%%%'aaa'%%%b%%%'ccc'%%%", "aaabccc"},
      {"a.txt", "%%%a%%%b%%%c%%%", "%%%a%%%b%%%c%%%"},
      {"a.htm", "<!--%Output('%-->')%-->", "')%-->"},
      {"a.txt", "%%%'ab\\%%%'%%%", "ab%%%"},
      {"a.htm", "<!--%-->", "<!--%-->"},
      {"a.htm", "<!--% x %%%'aaaaa'%%%", "<!--% x aaaaa"},
      {"a.ini", ";%%%'aaaa'%%%", ";%%%'aaaa'%%%"},
      {"a.htm", "1<!--%Output('a')%-->2<!--%Output('b')%-->3", "1a2b3"},
      {"a.htm", "<!--%'a\nb'%-->", "a\nb"},
      {"a.htm", "\\<!--%Output('a')%-->\\", "\\a\\"},
      {"a.htm", "%%", "%%"},
      {"a.htm", "", ""},
      {"a.htm", "<!--%x$ = 'f'%--><!--%Concat(x$, x$)%-->", "ff"},
      {"C:\\s\\a.htm", "<!--%FileName('x', 'hostitself')%-->", "C:\\s\\a.htm"},
      {"C:/s/a.htm", "<!--%FileName('b/c.htm')%-->", "C:\\s\\b\\c.htm"},
      {"a.htm", "<!--%ReplaceMacroExpr('Concat(\\'a\\', \\'b\\')')%-->", "ab"},
      {"a.htm", "<!--%v = 'e'%--><!--%Concat('[', v, ']')%-->", "[v]"},
  };
  size_t i;
  for (i = 0; i < sizeof kCases / sizeof kCases[0]; ++i) {
    void* file = NULL;
    CvoString* out = NewHostString(NULL);
    CALL(FnP, services, kServicesCreatePatchedFile, &file);
    if (!CHECK(file != NULL && out != NULL)) continue;
    CHECK(CALL(FnS, file, 3, kCases[i].text) == 0);
    CHECK(CALL(FnS, file, 5, kCases[i].name) == 0);
    CHECK(CALL(FnP, file, 7, out) == 0);
    if (strcmp(TextOf(out), kCases[i].output) != 0)
      fprintf(stderr, "  file %s: %s\n", kCases[i].name, kCases[i].text);
    CHECK_TEXT(TextOf(out), kCases[i].output);
    Drop(out);
    CHECK(RELEASE(file) == 0);
  }
}

/* ---- The objects a host holds ---------------------------------------------------- */

/* Result objects are counted, results survive until the next SetText, an
 * assignment's value is empty, and an expression lists its calls. */
static void CheckHeldObjects(void) {
  Counted first = {kPlainTable, 1, "first result"}, second = {kPlainTable, 1, "second result"};
  void *call = NULL, *clone = NULL, *got = NULL, *expression = NULL;
  CvoString* out = NewHostString(NULL);
  uint32_t position = 7;
  int listed = 0;
  CALL(FnPP, services, kServicesCreateMacroCall, &call, NULL);
  CALL(FnPP, services, kServicesCreateExpression, &expression, NULL);
  if (!CHECK(call != NULL && expression != NULL && out != NULL)) return;

  CHECK(CALL(FnS, call, 3, "t = 'a'") == 0);
  CHECK(CALL(FnS, call, 3, "") == 1 && CALL(FnP, call, 4, out) == 0);
  CHECK_TEXT(TextOf(out), "t = 'a'");
  CHECK(CALL(FnS, call, 12, "x") == 0 && CALL(FnP, call, 13, out) == 0);
  CHECK_TEXT(TextOf(out), "x");
  CHECK(CALL(FnP, call, 16, out) == 0);
  CHECK_TEXT(TextOf(out), ""); /* an assignment adds nothing */
  CHECK(CALL(FnP, call, 17, &clone) == 0 && clone != NULL);
  if (clone != NULL) {
    CHECK(CALL(FnP, clone, 4, out) == 0);
    CHECK_TEXT(TextOf(out), "t = 'a'");
    CHECK(CALL(FnP, clone, 13, out) == 1); /* a clone has no result yet */
    CHECK(RELEASE(clone) == 0);
  }
  CHECK(CALL(FnS, call, 3, "Concat('a')") == 0 && CALL(FnP, call, 13, out) == 1);
  CHECK(CALL(FnS, call, 12, "r") == 0 && CALL(FnP, call, 16, out) == 0);
  CHECK_TEXT(TextOf(out), "r");

  CHECK(CALL(FnP, call, 14, &first) == 0 && first.count == 2);
  CHECK(CALL(FnP, call, 14, &second) == 0 && first.count == 1 && second.count == 2);
  CHECK(CALL(FnP, call, 15, &got) == 0 && got == &second && second.count == 3);
  if (got != NULL) RELEASE(got);
  CHECK(RELEASE(call) == 0 && second.count == 1);

  CHECK(CALL(FnS, expression, 3, " 'a' ; 'b';'c' ") == 0);
  CHECK(CALL(FnPP, expression, 5, &got, &position) == 0);
  if (got != NULL) {
    /* The call's container is what its expression's GetOwner gives: none. */
    void* container = &container;
    void* context = NULL;
    CHECK(CALL(FnP, got, 11, &container) == 0 && container == NULL);
    CHECK(CALL(FnP, got, 10, &context) == 0 && context == expression);
    if (context != NULL) RELEASE(context);
  }
  while (got != NULL && listed < 5) {
    char want[4] = {'\'', (char)('a' + listed++), '\'', '\0'};
    CHECK(CALL(FnP, got, 4, out) == 0);
    CHECK_TEXT(TextOf(out), want);
    CHECK(position != 0xFFFFFFFFu && (position != 0) == (listed < 3));
    CHECK(RELEASE(got) == 1); /* the expression keeps its own reference */
    got = NULL;
    CHECK(CALL(FnPP, expression, 6, &got, &position) == 0);
  }
  CHECK(listed == 3 && position == 0 && got == NULL);
  CHECK(CALL(FnPP, expression, 6, &got, &position) == 0 && got == NULL && position == 0);
  /* Parsed once: a new text changes what GetText says, not the calls. */
  CHECK(CALL(FnS, expression, 3, "'zzzzz'") == 0 && CALL(FnP, expression, 7, out) == 0);
  CHECK_TEXT(TextOf(out), "abc");
  CHECK(CALL(FnP, expression, 4, out) == 0);
  CHECK_TEXT(TextOf(out), "'zzzzz'");
  CHECK(RELEASE(expression) == 0);
  Drop(out);
}

/* The first line of a file; 0 when it cannot be read. */
static int FileText(const char* path, char* text, size_t size) {
  FILE* stream = fopen(path, "rb");
  int read = 0;
  text[0] = '\0';
  if (stream == NULL) return 0;
  read = fgets(text, (int)size, stream) != NULL;
  fclose(stream);
  return read;
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
static void WriteFile(const char* path, const char* text) {
  FILE* stream = fopen(path, "wb");
  if (!CHECK(stream != NULL)) return;
  fputs(text, stream);
  fclose(stream);
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
    WriteFile(path, kSkin[i][1]);
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
 * two with one destination wins; CopyTemplateFile searches on past a copied
 * file, and copies to a destination given in its string. The manager's
 * temporary folder goes with it. */
static void CheckCopyPass(FactoryFn create_manager) {
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
  WriteFile(path, "cached");
  for (i = 0; path[i] != '\0'; ++i)
    upper[i] = (char)(path[i] >= 'a' && path[i] <= 'z' ? path[i] - 'a' + 'A' : path[i]);
  upper[i] = '\0';

  CHECK(CALL(FnS, manager, 21, path) == (int32_t)0x80004005u);
  CHECK(CALL(FnS, manager, 18, path) == 0 && CALL(FnS, manager, 18, path) == 0);
  CHECK(CALL(FnS, manager, 21, path) == 0 && CALL(FnS, manager, 21, upper) == 0);
  WriteFile(path, "edited");
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

int main(void) {
  FactoryFn create_manager = NULL, create_resolvers = NULL;
  int32_t(HOSTCALL * prime)(void) = NULL;
  void* got = &got;
  void* library = HostLoadLibrary(QUENLOFT_LIBRARY_FILE);
  if (!CHECK(library != NULL)) return Verdict();
  CHECK(HostEntry(library, "CreateTemplateManagerInstance", &create_manager,
                  sizeof create_manager));
  CHECK(HostEntry(library, "CreateTemplateResolversInstance", &create_resolvers,
                  sizeof create_resolvers));
  CHECK(HostEntry(library, "InitTemplateFilesToCache", &prime, sizeof prime));
  if (create_manager == NULL || create_resolvers == NULL || prime == NULL) return Verdict();

  CHECK(create_manager(NULL) == 0);
  CHECK(create_manager(&manager) == 0 && manager != NULL);
  if (manager == NULL) return Verdict();
  CHECK(CALL0(manager, 1) == 2 && RELEASE(manager) == 1);
  CHECK(QUERY(manager, &kIidFileCopier, &copier) == 0);
  CHECK(QUERY(manager, &kIidMacroServices, &services) == 0);
  if (copier == NULL || services == NULL) return Verdict();
  CHECK(CALL(FnP, manager, 9, &got) == 0 && got == NULL); /* no host yet */
  CHECK(CALL(FnP, copier, 3, &host) == 0 && host.base.count == 2);

  CheckResolverSet(create_resolvers, create_manager);
  CHECK(create_resolvers(&builtins) == 0 && builtins != NULL);
  if (builtins == NULL) return Verdict();
  CHECK(CALL(FnP, builtins, 5, manager) == 0 && CALL0(builtins, 3) == 0);
  CHECK(CALL(FnSS, manager, 10, "System.ResultFolderName", "C:\\out\\") == 0);

  CheckRows(kManagerRows, sizeof kManagerRows / sizeof kManagerRows[0], create_resolvers);
  CheckIdentities(create_resolvers);
  CheckManagerIdentity();
  CheckRows(kObjectRows, sizeof kObjectRows / sizeof kObjectRows[0], create_resolvers);
  CheckScopeListing();
  CheckScopeVariables();
  CheckRegistry();
  CheckStatements();
  CheckParse();
  CheckMarkers();
  CheckHeldObjects();
  CheckFilesOnDisk();
  CheckContexts();
  CheckTemplateFiles();
  CheckUpdatePass();
  CheckCopyPass(create_manager);
#if !defined(_WIN32)
  CheckCache();
#endif

  /* This library's own module, named by its file name, adds a further set
   * (whose names the first holders keep), gone again at Terminate. */
  {
    const char* name = strrchr(QUENLOFT_LIBRARY_FILE, '/');
    name = name != NULL ? name + 1 : QUENLOFT_LIBRARY_FILE;
    CHECK(CALL(FnSSS, copier, 4, name, "host", "param") == 0);
    CHECK(CALL(FnS, manager, 11, "Concat('a')") == 0);
  }

  /* Priming reports nothing and always answers 1. */
  CHECK(prime() == 1 && prime() == 1);

  CHECK(CALL0(builtins, 4) == 0 && RELEASE(builtins) == 0);
  CHECK(CALL0(copier, 5) == 0 && host.base.count == 1);
  /* Terminate withdrew "System", the variables' names and every resolver's. */
  CHECK(CALL(FnS, manager, 11, "System.Title") == 1 && CALL(FnS, manager, 11, "x$$") == 1);
  CHECK(CALL(FnS, manager, 11, "Concat('a')") == 1);
  CHECK(CALL(FnP, manager, 9, &got) == 0 && got == NULL);
  CHECK(RELEASE(services) == 2 && RELEASE(copier) == 1 && RELEASE(manager) == 0);
  CHECK(HostFreeLibrary(library) == 0);
  CHECK(host_strings_alive == 0);
  return Verdict();
}
