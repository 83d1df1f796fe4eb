/* The contract slot by slot, as a host written from the interface
 * descriptions alone checks it: every object reached through its table by
 * slot number, with the host's own string objects, callback and objects.
 * Tables give, per slot, what a missing or given argument returns and what
 * lands in the string object and the host's log; then identities and
 * counts. What statements, calls and markers give is tabled in
 * tests/data/statements; the objects a host holds, in tests/patching. */
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
  kTextObject,   /* (text, a plain object of the host's), refused: no reference kept */
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

static const HostSlot kPlainTable[] = HOST_TABLE(
    [0] = SLOT(PlainQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease));

static void CheckRows(const Row* rows, size_t count, FactoryFn make_set) {
  Counted plain = {kPlainTable, 1, "plain object"};
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
      case kTextObject:
        result = CALL(FnSP, object, row->slot, row->text, &plain);
        CHECK(plain.count == 1);
        break;
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
    {kManager, 7, kOutText, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 7, kOutText, NULL, "", 0, 1, 1, "(unchanged)", "[asked to map ]"},
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
    {kManager, 13, kTextOut, NULL, NULL, 0, 1, 1, "(unchanged)", ""},
    {kManager, 13, kTextOut, NULL, "'abc'", 0, 0, 1, NULL, ""},
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
    {kServices, 3, kTextObject, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 3, kTextObject, NULL, "", 0, 0, 1, NULL, ""},
    {kServices, 4, kTextObject, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 4, kTextObject, NULL, "", 0, 0, 1, NULL, ""},
    {kServices, 4, kTextNull, NULL, "x", 0, 0, 1, NULL, ""},
    {kServices, 5, kNullPointers, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 5, kTextNull, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kServices, 5, kTextObject, NULL, NULL, 0, 0, 1, NULL, ""},
    {kServices, 6, kTextNull, NULL, "a.htm", 0, 0, 1, NULL, ""},
    {kServices, 6, kTextObject, NULL, NULL, 0, 0, 1, NULL, ""},
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
    {kFile, 9, kText, "a", NULL, 0, 0, 0, NULL, ""},
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
  /* The manager's ID with its first field one higher: every byte counts. */
  static const IID16 kNearManager = {
      0x0B234452, 0xF87E, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
  static const IID16* const kStrangers[] = {&kIidUnknown, &kIidResolverEx, &kIidResolver,
                                            &kIidManager, &kIidResolverSet, &kNearManager};
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

int main(void) {
  Library library = {NULL, NULL, NULL, NULL};
  if (Open(&library) && AttachBuiltins(&library)) {
    CheckRows(kManagerRows, sizeof kManagerRows / sizeof kManagerRows[0],
              library.create_resolvers);
    CheckIdentities(library.create_resolvers);
    CheckManagerIdentity();
    CheckRows(kObjectRows, sizeof kObjectRows / sizeof kObjectRows[0], library.create_resolvers);
  }
  return Close(&library);
}
