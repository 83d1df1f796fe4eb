/* A resolver module in plain C: its objects are structs whose first member
 * points at a table of function pointers in the interfaces' slot order, and
 * it calls the manager, string objects and macro calls through their tables
 * the same way. It holds the binary contract for modules built without C++.
 *
 * Built in variants:
 *   QL_TEST_TAG           journal name of the module
 *   QL_TEST_NAME          the one name its resolver answers
 *   QL_TEST_REGISTRATION  1: exports DllRegisterServer/DllUnregisterServer
 *   QL_TEST_FACTORY       2: a working factory; 1: a factory that hands out
 *                         nothing; 0: no factory at all */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "quenloft/config.h"
#include "quenloft/guid.h"
#include "test_journal.h"

#define EXPORT __attribute__((visibility("default")))
#define UNUSED __attribute__((unused))
#define TPL_E_NOTIMPL_C ((int32_t)0x80004001u)
#define TPL_E_INVALIDARG_C ((int32_t)0x80070057u)

static const TplIID kIidResolverSet = {
    0x269C76F1, 0x23E9, 0x11D5, {0x94, 0xE8, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};

/* ---- Tables of the interfaces this module calls ------------------------ */

typedef void (*Unused)(void);

typedef struct CvoString CvoString;
typedef struct CvoStringTable {
  Unused query_interface, add_ref, release;
  int32_t (QL_CALL* SetText)(CvoString* self, const char* text); /* 3 */
  Unused append_text, get_length;                                 /* 4, 5 */
  int32_t (QL_CALL* Empty)(CvoString* self);                      /* 6 */
} CvoStringTable;
struct CvoString {
  const CvoStringTable* table;
};

typedef struct MacroCall MacroCall;
typedef struct MacroCallTable {
  Unused slots0_to_11[12];
  int32_t (QL_CALL* SetResult)(MacroCall* self, const char* text); /* 12 */
} MacroCallTable;
struct MacroCall {
  const MacroCallTable* table;
};

typedef struct Manager Manager;
typedef struct ManagerTable {
  Unused query_interface, add_ref, release;
  int32_t (QL_CALL* AddResolver)(Manager* self, void* resolver);    /* 3 */
  int32_t (QL_CALL* RemoveResolver)(Manager* self, void* resolver); /* 4 */
} ManagerTable;
struct Manager {
  const ManagerTable* table;
};

/* ---- The resolver ------------------------------------------------------ */

typedef struct Resolver Resolver;
typedef struct ResolverTable {
  int32_t (QL_CALL* QueryInterface)(Resolver* self, const TplIID* iid, void** out);
  int32_t (QL_CALL* AddRef)(Resolver* self);
  int32_t (QL_CALL* Release)(Resolver* self);
  int32_t (QL_CALL* Initialize)(Resolver* self);
  int32_t (QL_CALL* Uninitialize)(Resolver* self);
  int32_t (QL_CALL* GetFirstName)(Resolver* self, CvoString* name, int32_t* position);
  int32_t (QL_CALL* GetNextName)(Resolver* self, CvoString* name, int32_t* position);
  int32_t (QL_CALL* OnNameConflict)(Resolver* self, const char* name);
  int32_t (QL_CALL* Resolve)(Resolver* self, MacroCall* call);
} ResolverTable;
struct Resolver {
  const ResolverTable* table;
  int32_t count;
  char result[96];
};

static int32_t QL_CALL ResolverQueryInterface(UNUSED Resolver* self, UNUSED const TplIID* iid,
                                              void** out) {
  if (out != NULL) *out = NULL;
  return TPL_E_NOTIMPL_C;
}
static int32_t QL_CALL ResolverAddRef(Resolver* self) { return ++self->count; }
static int32_t QL_CALL ResolverRelease(Resolver* self) {
  const int32_t left = --self->count;
  if (left == 0) {
    QlJournalRecord(QL_TEST_TAG, "resolver-release0", NULL);
    free(self);
  }
  return left;
}
static int32_t QL_CALL ResolverNothing(UNUSED Resolver* self) { return 0; }
static int32_t QL_CALL ResolverGetFirstName(UNUSED Resolver* self, CvoString* name,
                                            int32_t* position) {
  *position = 1;
  name->table->SetText(name, QL_TEST_NAME);
  return 0;
}
static int32_t QL_CALL ResolverGetNextName(UNUSED Resolver* self, CvoString* name,
                                           UNUSED int32_t* position) {
  name->table->Empty(name);
  return 1;
}
static int32_t QL_CALL ResolverOnNameConflict(UNUSED Resolver* self, UNUSED const char* name) {
  return 0;
}
static int32_t QL_CALL ResolverResolve(Resolver* self, MacroCall* call) {
  call->table->SetResult(call, self->result);
  return 0;
}

static const ResolverTable kResolverTable = {
    ResolverQueryInterface, ResolverAddRef,         ResolverRelease,
    ResolverNothing,        ResolverNothing,        ResolverGetFirstName,
    ResolverGetNextName,    ResolverOnNameConflict, ResolverResolve};

/* ---- The resolver set -------------------------------------------------- */

typedef struct ResolverSet ResolverSet;
typedef struct ResolverSetTable {
  int32_t (QL_CALL* QueryInterface)(ResolverSet* self, const TplIID* iid, void** out);
  int32_t (QL_CALL* AddRef)(ResolverSet* self);
  int32_t (QL_CALL* Release)(ResolverSet* self);
  int32_t (QL_CALL* Initialize)(ResolverSet* self);
  int32_t (QL_CALL* Uninitialize)(ResolverSet* self);
  int32_t (QL_CALL* SetManager)(ResolverSet* self, Manager* manager);
  int32_t (QL_CALL* SetHostPath)(ResolverSet* self, const char* text);
  int32_t (QL_CALL* SetHostParam)(ResolverSet* self, const char* text);
  Unused Reserved; /* 8 */
} ResolverSetTable;
struct ResolverSet {
  const ResolverSetTable* table;
  int32_t count;
  Manager* manager; /* no reference */
  Resolver* resolver;
  char param[64];
};

static int32_t QL_CALL SetQueryInterface(ResolverSet* self, const TplIID* iid, void** out) {
  if (out == NULL) return TPL_E_INVALIDARG_C;
  *out = NULL;
  if (memcmp(iid, &kIidResolverSet, sizeof kIidResolverSet) != 0) return TPL_E_NOTIMPL_C;
  ++self->count;
  *out = self;
  return 0;
}
static int32_t QL_CALL SetAddRef(ResolverSet* self) { return ++self->count; }
static int32_t QL_CALL SetRelease(ResolverSet* self) {
  const int32_t left = --self->count;
  if (left == 0) {
    QlJournalRecord(QL_TEST_TAG, "release0", self->param);
    if (self->resolver != NULL) ResolverRelease(self->resolver);
    free(self);
  }
  return left;
}
static int32_t QL_CALL SetInitialize(ResolverSet* self) {
  QlJournalRecord(QL_TEST_TAG, "init", self->param);
  if (self->manager == NULL || self->resolver != NULL) return 0;
  Resolver* resolver = (Resolver*)calloc(1, sizeof(Resolver));
  if (resolver == NULL) return 1;
  resolver->table = &kResolverTable;
  resolver->count = 1;
  snprintf(resolver->result, sizeof resolver->result, "hello from C:%s", self->param);
  self->resolver = resolver;
  self->manager->table->AddResolver(self->manager, resolver);
  return 0;
}
static int32_t QL_CALL SetUninitialize(ResolverSet* self) {
  QlJournalRecord(QL_TEST_TAG, "uninit", self->param);
  if (self->manager == NULL || self->resolver == NULL) return 0;
  self->manager->table->RemoveResolver(self->manager, self->resolver);
  ResolverRelease(self->resolver);
  self->resolver = NULL;
  return 0;
}
static int32_t QL_CALL SetSetManager(ResolverSet* self, Manager* manager) {
  QlJournalRecord(QL_TEST_TAG, "manager", NULL);
  self->manager = manager;
  return 0;
}
static int32_t QL_CALL SetSetHostPath(UNUSED ResolverSet* self, const char* text) {
  QlJournalRecord(QL_TEST_TAG, "host-path", text);
  return 0;
}
static int32_t QL_CALL SetSetHostParam(ResolverSet* self, const char* text) {
  snprintf(self->param, sizeof self->param, "%s", text != NULL ? text : "");
  QlJournalRecord(QL_TEST_TAG, "host-param", self->param);
  return 0;
}
/* The library never calls slot 8 of a set: a call ends the run. */
static void SetReserved(void) {
  fputs("the library called slot 8 of the C module's resolver set, outside its contract\n",
        stderr);
  abort();
}

/* Kept in the variants that never hand a set out. */
__attribute__((used)) static const ResolverSetTable kSetTable = {
    SetQueryInterface, SetAddRef,      SetRelease,      SetInitialize, SetUninitialize,
    SetSetManager,     SetSetHostPath, SetSetHostParam, SetReserved};

/* ---- Module ------------------------------------------------------------ */

__attribute__((constructor)) static void OnLoad(void) {
  QlJournalRecord(QL_TEST_TAG, "load", NULL);
}
__attribute__((destructor)) static void OnUnload(void) {
  QlJournalRecord(QL_TEST_TAG, "unload", NULL);
}

#if QL_TEST_FACTORY > 0
EXPORT int32_t QL_CALL CreateTemplateResolversInstance(ResolverSet** out) {
  QlJournalRecord(QL_TEST_TAG, "factory", NULL);
  if (out == NULL) return 1;
  *out = NULL;
#if QL_TEST_FACTORY == 2
  ResolverSet* set = (ResolverSet*)calloc(1, sizeof(ResolverSet));
  if (set == NULL) return 1;
  set->table = &kSetTable;
  set->count = 1;
  *out = set;
#endif
  return 0; /* with QL_TEST_FACTORY 1: success, and nothing handed out */
}
#endif

#if QL_TEST_REGISTRATION
EXPORT int32_t QL_CALL DllRegisterServer(void) {
  QlJournalRecord(QL_TEST_TAG, "register", NULL);
  return 0;
}
EXPORT int32_t QL_CALL DllUnregisterServer(void) {
  QlJournalRecord(QL_TEST_TAG, "unregister", NULL);
  return 0;
}
#endif
