/* A resolver module in plain C: its objects are structs whose first member
 * points at a table of function pointers in the interfaces' slot order, and
 * it calls the manager, string objects and macro calls through their tables
 * the same way (the declarations of tests/c_abi/c_host.h). It holds the
 * binary contract for modules built without C++.
 *
 * Built in variants:
 *   QL_TEST_TAG           journal name of the module
 *   QL_TEST_NAME          the one name its resolver answers
 *   QL_TEST_REGISTRATION  1: exports DllRegisterServer/DllUnregisterServer
 *   QL_TEST_FACTORY       2: a working factory; 1: a factory that hands out
 *                         nothing; 0: no factory at all
 *   QL_TEST_THROW_IN_INITIALIZE  the set's Initialize registers, then throws
 *                         (module_throw.cpp)
 *   QL_TEST_LEAVE_REGISTERED     Uninitialize forgets to call RemoveResolver */
#include "c_abi/c_host.h"
#include "test_journal.h"

#if defined(_WIN32)
#define EXPORT
#else
#define EXPORT __attribute__((visibility("default")))
#endif

/* ---- The resolver ------------------------------------------------------ */

typedef struct Resolver {
  Counted base;
  char result[96];
} Resolver;

static int32_t HOSTCALL ResolverQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_NOTIMPL);
}
static int32_t HOSTCALL ResolverRelease(void* self) {
  const int32_t left = CountedRelease(self);
  if (left == 0) {
    QlJournalRecord(QL_TEST_TAG, "resolver-release0", NULL);
    free(self);
  }
  return left;
}
static int32_t HOSTCALL Nothing(HOST_UNUSED void* self) { return 0; }
static int32_t HOSTCALL ResolverGetFirstName(HOST_UNUSED void* self, void* name,
                                             int32_t* position) {
  *position = 1;
  return Give(name, QL_TEST_NAME), 0;
}
static int32_t HOSTCALL ResolverGetNextName(HOST_UNUSED void* self, void* name,
                                            HOST_UNUSED int32_t* position) {
  return ((CvoString*)name)->vtbl->Empty(name), 1;
}
static int32_t HOSTCALL ResolverOnNameConflict(HOST_UNUSED void* self,
                                               HOST_UNUSED const char* name) {
  return 0;
}
static int32_t HOSTCALL ResolverResolve(void* self, void* call) {
  return (*(const MacroCallVtbl**)call)->SetResult(call, ((Resolver*)self)->result), 0;
}

static const HostSlot kResolverTable[] = HOST_TABLE(
    [0] = SLOT(ResolverQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(ResolverRelease),
    [3] = SLOT(Nothing), [4] = SLOT(Nothing), [5] = SLOT(ResolverGetFirstName),
    [6] = SLOT(ResolverGetNextName), [7] = SLOT(ResolverOnNameConflict),
    [8] = SLOT(ResolverResolve));

/* ---- The resolver set -------------------------------------------------- */

typedef struct Set {
  Counted base;
  Manager* manager; /* no reference */
  Resolver* resolver;
  char param[64];
} Set;

static int32_t HOSTCALL SetQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, &kIidResolverSet, HOST_E_INVALIDARG);
}
static int32_t HOSTCALL SetRelease(void* self) {
  Set* set = (Set*)self;
  const int32_t left = CountedRelease(set);
  if (left == 0) {
    QlJournalRecord(QL_TEST_TAG, "release0", set->param);
    if (set->resolver != NULL) ResolverRelease(set->resolver);
    free(set);
  }
  return left;
}
int32_t HOSTCALL QlTestSetInitialize(void* self); /* module_throw.cpp calls it too */
int32_t HOSTCALL QlTestSetInitialize(void* self) {
  Set* set = (Set*)self;
  Resolver* resolver = NULL;
  QlJournalRecord(QL_TEST_TAG, "init", set->param);
  if (set->manager == NULL || set->resolver != NULL) return 0;
  resolver = (Resolver*)calloc(1, sizeof(Resolver));
  if (resolver == NULL) return 1;
  resolver->base = (Counted){kResolverTable, 1, "C module's resolver"};
  snprintf(resolver->result, sizeof resolver->result, "hello from C:%s", set->param);
  set->resolver = resolver;
  set->manager->vtbl->AddResolver(set->manager, resolver);
  return 0;
}
static int32_t HOSTCALL SetUninitialize(void* self) {
  Set* set = (Set*)self;
  QlJournalRecord(QL_TEST_TAG, "uninit", set->param);
  if (set->manager == NULL || set->resolver == NULL) return 0;
#ifndef QL_TEST_LEAVE_REGISTERED
  set->manager->vtbl->RemoveResolver(set->manager, set->resolver);
#endif
  ResolverRelease(set->resolver);
  set->resolver = NULL;
  return 0;
}
static int32_t HOSTCALL SetSetManager(void* self, Manager* manager) {
  QlJournalRecord(QL_TEST_TAG, "manager", NULL);
  return ((Set*)self)->manager = manager, 0;
}
static int32_t HOSTCALL SetSetHostPath(HOST_UNUSED void* self, const char* text) {
  return QlJournalRecord(QL_TEST_TAG, "host-path", text), 0;
}
static int32_t HOSTCALL SetSetHostParam(void* self, const char* text) {
  Set* set = (Set*)self;
  snprintf(set->param, sizeof set->param, "%s", text != NULL ? text : "");
  return QlJournalRecord(QL_TEST_TAG, "host-param", set->param), 0;
}
#ifdef QL_TEST_THROW_IN_INITIALIZE
int32_t HOSTCALL QlTestThrowingInitialize(void* self);
#define SET_INITIALIZE QlTestThrowingInitialize
#else
#define SET_INITIALIZE QlTestSetInitialize
#endif
/* Slot 8 is reserved; kept in the variants that never hand a set out. */
__attribute__((used)) static const HostSlot kSetTable[] = HOST_TABLE(
    [0] = SLOT(SetQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(SetRelease),
    [3] = SLOT(SET_INITIALIZE), [4] = SLOT(SetUninitialize), [5] = SLOT(SetSetManager),
    [6] = SLOT(SetSetHostPath), [7] = SLOT(SetSetHostParam));

/* ---- Module ------------------------------------------------------------ */

__attribute__((constructor)) static void OnLoad(void) {
  QlJournalRecord(QL_TEST_TAG, "load", NULL);
}
__attribute__((destructor)) static void OnUnload(void) {
  QlJournalRecord(QL_TEST_TAG, "unload", NULL);
}

#if QL_TEST_FACTORY > 0
EXPORT int32_t HOSTCALL CreateTemplateResolversInstance(Set** out) {
  QlJournalRecord(QL_TEST_TAG, "factory", NULL);
  if (out == NULL) return 1;
  *out = NULL;
#if QL_TEST_FACTORY == 2
  *out = (Set*)calloc(1, sizeof(Set));
  if (*out == NULL) return 1;
  (*out)->base = (Counted){kSetTable, 1, "C module's resolver set"};
#endif
  return 0; /* with QL_TEST_FACTORY 1: success, and nothing handed out */
}
#endif

#if QL_TEST_REGISTRATION
EXPORT int32_t HOSTCALL DllRegisterServer(void) {
  return QlJournalRecord(QL_TEST_TAG, "register", NULL), 0;
}
EXPORT int32_t HOSTCALL DllUnregisterServer(void) {
  return QlJournalRecord(QL_TEST_TAG, "unregister", NULL), 0;
}
#endif
