/* The binary contract from C: a host written in C declares the interfaces
 * it uses as structs of function pointers in slot order, loads the library
 * at run time and drives a manager with a host object of its own. Nothing
 * here includes a header of the library. */
#define _POSIX_C_SOURCE 200809L

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#ifndef QUENLOFT_LIBRARY_FILE
#error "QUENLOFT_LIBRARY_FILE must name libquenloft.so"
#endif

typedef struct IID16 {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} IID16;

static const IID16 kIidManager = {
    0x0B234451, 0xF87E, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidFileCopier = {
    0x798143C2, 0xF87D, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidMacroServices = {
    0x798143C0, 0xF87D, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};

#define E_NOTIMPL ((int32_t)0x80004001u)

/* ---- ICvoString: slots 0-6 and 21 are the ones used here ---------------- */

typedef struct CvoString CvoString;
typedef struct CvoStringVtbl {
  int32_t (*QueryInterface)(CvoString*, const IID16*, void**); /* 0 */
  int32_t (*AddRef)(CvoString*);                               /* 1 */
  int32_t (*Release)(CvoString*);                              /* 2 */
  int32_t (*SetText)(CvoString*, const char*);                 /* 3 */
  int32_t (*AppendText)(CvoString*, const char*);              /* 4 */
  int32_t (*GetLength)(CvoString*);                            /* 5 */
  int32_t (*Empty)(CvoString*);                                /* 6 */
  void (*Slots7To20[14])(void);                                /* 7-20 */
  int32_t (*GetText)(CvoString*, const char**);                /* 21 */
} CvoStringVtbl;
struct CvoString {
  const CvoStringVtbl* vtbl;
};

/* ---- ITplHostCallback, implemented below (slots 0-11) -------------------- */

typedef struct HostCallback HostCallback;
typedef struct HostCallbackVtbl {
  int32_t (*QueryInterface)(HostCallback*, const IID16*, void**); /* 0 */
  int32_t (*AddRef)(HostCallback*);                               /* 1 */
  int32_t (*Release)(HostCallback*);                              /* 2 */
  int32_t (*Output)(HostCallback*, const char*);                  /* 3 */
  int32_t (*Reserved4)(HostCallback*);                            /* 4 */
  int32_t (*Reserved5)(HostCallback*);                            /* 5 */
  int32_t (*Progress)(HostCallback*, int32_t, int32_t);           /* 6 */
  int32_t (*MapFileName)(HostCallback*, const char*, CvoString*); /* 7 */
  int32_t (*Reserved8)(HostCallback*);                            /* 8 */
  int32_t (*NotifyFile)(HostCallback*, const char*);              /* 9 */
  int32_t (*Reserved10)(HostCallback*);                           /* 10 */
  int32_t (*ShouldContinue)(HostCallback*);                       /* 11 */
} HostCallbackVtbl;

/* ---- ITplManager (slots 0-22) and ITplFileCopier (slots 0-11) ------------ */

typedef struct Manager Manager;
typedef struct ManagerVtbl {
  int32_t (*QueryInterface)(Manager*, const IID16*, void**);         /* 0 */
  int32_t (*AddRef)(Manager*);                                       /* 1 */
  int32_t (*Release)(Manager*);                                      /* 2 */
  int32_t (*AddResolver)(Manager*, void*);                           /* 3 */
  int32_t (*RemoveResolver)(Manager*, void*);                        /* 4 */
  int32_t (*AddFileSource)(Manager*, void*);                         /* 5 */
  int32_t (*RemoveFileSource)(Manager*, void*);                      /* 6 */
  int32_t (*MapFileName)(Manager*, CvoString*, const char*);         /* 7 */
  int32_t (*AddUpdateFile)(Manager*, const char*);                   /* 8 */
  int32_t (*GetHost)(Manager*, HostCallback**);                      /* 9 */
  int32_t (*SetSystemValue)(Manager*, const char*, const char*);     /* 10 */
  int32_t (*HasResolverFor)(Manager*, const char*);                  /* 11 */
  int32_t (*ResolveMacroText)(Manager*, const char*, CvoString*);    /* 12 */
  int32_t (*EvaluateExpression)(Manager*, const char*, CvoString*);  /* 13 */
  int32_t (*ResolveMacroTextIn)(Manager*, const char*, void*, CvoString*);   /* 14 */
  int32_t (*EvaluateExpressionIn)(Manager*, const char*, void*, CvoString*); /* 15 */
  int32_t (*ResolveMacroTextFor)(Manager*, const char*, void*, CvoString*);  /* 16 */
  int32_t (*PatchFile)(Manager*, const char*);                       /* 17 */
  int32_t (*AddFileToCache)(Manager*, const char*);                  /* 18 */
  int32_t (*CopyThroughCache)(Manager*, const char*, const char*, int32_t); /* 19 */
  int32_t (*GetFileContent)(Manager*, const char*, void*);           /* 20 */
  int32_t (*IsFileCached)(Manager*, const char*);                    /* 21 */
  int32_t (*WriteDeferredFile)(Manager*, const char*);               /* 22 */
} ManagerVtbl;
struct Manager {
  const ManagerVtbl* vtbl;
};

typedef struct FileCopier FileCopier;
typedef struct FileCopierVtbl {
  int32_t (*QueryInterface)(FileCopier*, const IID16*, void**);     /* 0 */
  int32_t (*AddRef)(FileCopier*);                                   /* 1 */
  int32_t (*Release)(FileCopier*);                                  /* 2 */
  int32_t (*Initialize)(FileCopier*, HostCallback*);                /* 3 */
  int32_t (*AddResolverModuleByHost)(FileCopier*, const char*, const char*, const char*); /* 4 */
  int32_t (*Terminate)(FileCopier*);                                /* 5 */
  int32_t (*CopyFilesByHost)(FileCopier*);                          /* 6 */
  int32_t (*UpdateFilesByHost)(FileCopier*);                        /* 7 */
  int32_t (*QueryAndMapMacro)(FileCopier*, const char*, CvoString*); /* 8 */
  int32_t (*QueryMacro)(FileCopier*, const char*, CvoString*);      /* 9 */
  int32_t (*CopyTemplateFile)(FileCopier*, const char*, CvoString*); /* 10 */
  int32_t (*UpdateTemplateFile)(FileCopier*, const char*);          /* 11 */
} FileCopierVtbl;
struct FileCopier {
  const FileCopierVtbl* vtbl;
};

typedef int32_t (*CreateManagerFn)(Manager**);
typedef int32_t (*CreateStringFn)(CvoString**);

/* ---- The C host: counts its references and records its calls ------------- */

struct HostCallback {
  const HostCallbackVtbl* vtbl;
  int32_t count;
  int outputs;
  int map_calls;
  const char* map_answer; /* MapFileName answers 0 with this text when set */
};

static int32_t HostQueryInterface(HostCallback* self, const IID16* iid, void** out) {
  (void)self;
  (void)iid;
  if (out == NULL) return E_NOTIMPL;
  *out = NULL;
  return E_NOTIMPL;
}
static int32_t HostAddRef(HostCallback* self) { return ++self->count; }
static int32_t HostRelease(HostCallback* self) { return --self->count; }
static int32_t HostOutput(HostCallback* self, const char* text) {
  (void)text;
  ++self->outputs;
  return 0;
}
static int32_t HostReserved(HostCallback* self) {
  (void)self;
  return 0;
}
static int32_t HostProgress(HostCallback* self, int32_t index, int32_t total) {
  (void)self;
  (void)index;
  (void)total;
  return 0;
}
static int32_t HostMapFileName(HostCallback* self, const char* path, CvoString* out) {
  (void)path;
  ++self->map_calls;
  if (self->map_answer == NULL) return 1;
  out->vtbl->SetText(out, self->map_answer);
  return 0;
}
static int32_t HostNotifyFile(HostCallback* self, const char* path) {
  (void)self;
  (void)path;
  return 0;
}
static int32_t HostShouldContinue(HostCallback* self) {
  (void)self;
  return 1;
}

static const HostCallbackVtbl kHostVtbl = {
    HostQueryInterface, HostAddRef,      HostRelease,  HostOutput,
    HostReserved,       HostReserved,    HostProgress, HostMapFileName,
    HostReserved,       HostNotifyFile,  HostReserved, HostShouldContinue,
};

/* ---- Checks ---------------------------------------------------------------- */

static int passed;
static int failed;

#define CHECK(condition)                                                  \
  do {                                                                    \
    if (condition) {                                                      \
      ++passed;                                                           \
    } else {                                                              \
      ++failed;                                                           \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
    }                                                                     \
  } while (0)

static const char* TextOf(CvoString* s) {
  const char* text = NULL;
  if (s->vtbl->GetLength(s) == 0) return "";
  if (s->vtbl->GetText(s, &text) != 0 || text == NULL) return "(no text)";
  return text;
}

/* dlsym answers a data pointer; POSIX guarantees that it converts. */
static void* Symbol(void* library, const char* name, void* function_slot, size_t size) {
  void* address = dlsym(library, name);
  if (address != NULL) memcpy(function_slot, &address, size);
  return address;
}

static void DriveManager(CreateManagerFn create_manager, CreateStringFn create_string) {
  HostCallback host = {&kHostVtbl, 1, 0, 0, NULL};
  Manager* manager = NULL;
  FileCopier* copier = NULL;
  void* services = NULL;
  HostCallback* got = NULL;
  CvoString* text = NULL;

  CHECK(create_manager(NULL) == 0);
  CHECK(create_manager(&manager) == 0);
  CHECK(manager != NULL);
  if (manager == NULL) return;

  CHECK(manager->vtbl->QueryInterface(manager, &kIidFileCopier, (void**)&copier) == 0);
  CHECK(copier != NULL);
  if (copier == NULL) {
    manager->vtbl->Release(manager);
    return;
  }
  /* The copier answers the manager ID with the manager's own pointer. */
  {
    void* again = NULL;
    CHECK(copier->vtbl->QueryInterface(copier, &kIidManager, &again) == 0);
    CHECK(again == (void*)manager);
    CHECK(manager->vtbl->Release(manager) == 2);
  }
  CHECK(manager->vtbl->QueryInterface(manager, &kIidMacroServices, &services) == 0);
  CHECK(services != NULL && services != (void*)manager && services != (void*)copier);
  CHECK(copier->vtbl->AddRef(copier) == 4);
  CHECK(manager->vtbl->Release(manager) == 3);
  CHECK(((Manager*)services)->vtbl->Release((Manager*)services) == 2);
  CHECK(manager->vtbl->QueryInterface(manager, &kIidManager, NULL) == E_NOTIMPL);

  CHECK(copier->vtbl->Initialize(copier, &host) == 0);
  CHECK(host.count == 2);
  CHECK(manager->vtbl->GetHost(manager, &got) == 0);
  CHECK(got == &host);
  CHECK(host.count == 3);
  if (got != NULL) got->vtbl->Release(got);

  CHECK(manager->vtbl->SetSystemValue(manager, "System.Title", "From C") == 0);
  CHECK(manager->vtbl->SetSystemValue(manager, NULL, "ignored") == 0);

  create_string(&text);
  CHECK(text != NULL);
  if (text != NULL) {
    /* The host declines, so the manager's own rule maps the name. */
    CHECK(manager->vtbl->MapFileName(manager, text, "C:/a/b/c.htm") == 0);
    CHECK(strcmp(TextOf(text), "c.htm") == 0);
    CHECK(manager->vtbl->MapFileName(manager, text, "a/b.htm") == 0);
    CHECK(strcmp(TextOf(text), "a\\b.htm") == 0);
    /* Now the host answers, through its slot 7. */
    host.map_answer = "chosen-by-host.htm";
    CHECK(manager->vtbl->MapFileName(manager, text, "C:/a/b/c.htm") == 0);
    CHECK(strcmp(TextOf(text), "chosen-by-host.htm") == 0);
    CHECK(host.map_calls == 3);

    CHECK(manager->vtbl->ResolveMacroText(manager, "System.Title", text) == 0);
    CHECK(strcmp(TextOf(text), "From C") == 0);
    CHECK(manager->vtbl->HasResolverFor(manager, "System") == 0);
    text->vtbl->Release(text);
  }

  CHECK(copier->vtbl->Terminate(copier) == 0);
  CHECK(host.count == 1);
  CHECK(copier->vtbl->Release(copier) == 1);
  CHECK(manager->vtbl->Release(manager) == 0);
  CHECK(host.count == 1);
  CHECK(host.outputs == 0);
}

int main(void) {
  CreateManagerFn create_manager = NULL;
  CreateStringFn create_string = NULL;
  void* library = dlopen(QUENLOFT_LIBRARY_FILE, RTLD_NOW | RTLD_LOCAL);
  CHECK(library != NULL);
  if (library == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
  } else {
    CHECK(Symbol(library, "CreateTemplateManagerInstance", &create_manager,
                 sizeof create_manager) != NULL);
    /* Found among the library's own dependencies. */
    CHECK(Symbol(library, "CreateCvoStringInstance", &create_string, sizeof create_string) !=
          NULL);
    if (create_manager != NULL && create_string != NULL) DriveManager(create_manager, create_string);
    CHECK(dlclose(library) == 0);
  }
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
