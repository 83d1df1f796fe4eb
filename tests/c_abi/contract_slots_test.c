/* The contract slot by slot, as a host written from the interface
 * descriptions alone checks it: every object reached through its table by
 * slot number, with the host's own string objects, callback and objects.
 * Tables give, per slot, what a missing or given argument returns and what
 * lands in the string object and the host's log; then identities and
 * counts, the statement grammar read back through a call's getters, the
 * markers of each file type, and the objects a host holds. */
#if !defined(_WIN32)
#define _POSIX_C_SOURCE 200809L
#endif

#include "c_abi/contract_host.h"

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
      {"a.css", "/*%Output('aa')%*/ <!--%Output('b')%--> ;%Output('c')%; %%%Output('d')%%%",
       "aa <!--%Output('b')%--> ;%Output('c')%; d"},
      {"a.JS", "/*%Output('aa')%*/ ;%Output('c')%;", "aa ;%Output('c')%;"},
      {"a.ini", ";%Output('c')%; /*%Output('aa')%*/ <!--%Output('b')%-->",
       "c /*%Output('aa')%*/ <!--%Output('b')%-->"},
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

int main(void) {
  Library library = {NULL, NULL, NULL, NULL};
  if (Open(&library) && AttachBuiltins(&library)) {
    CheckRows(kManagerRows, sizeof kManagerRows / sizeof kManagerRows[0],
              library.create_resolvers);
    CheckIdentities(library.create_resolvers);
    CheckManagerIdentity();
    CheckRows(kObjectRows, sizeof kObjectRows / sizeof kObjectRows[0], library.create_resolvers);
    CheckParse();
    CheckMarkers();
    CheckHeldObjects();
  }
  return Close(&library);
}
