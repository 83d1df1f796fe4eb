/* What the hosts written in C share: the interfaces they use, declared as
 * structs of function pointers in slot order without any header of the
 * library; loading the library at run time; a host object that counts its
 * references and records its calls; and a CHECK macro. Each host is one C
 * file that includes this once.
 *
 * Slots of a host's object that the library is never meant to call hold a
 * function that names the object and the slot and aborts, so a call outside
 * the contract cannot pass unnoticed. In the tables such slots are typed
 * HostSlot: nothing calls them through these declarations either. */
#ifndef QUENLOFT_TESTS_SUPPORT_C_HOST_H
#define QUENLOFT_TESTS_SUPPORT_C_HOST_H

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

/* Interface methods use the stdcall convention on 32-bit Windows. */
#if defined(_WIN32) && !defined(_WIN64)
#define HOSTCALL __stdcall
#else
#define HOSTCALL
#endif

/* Not every host uses every ID and helper. */
#define HOST_MAYBE_UNUSED __attribute__((unused))

typedef struct IID16 {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} IID16;

static const IID16 kIidManager HOST_MAYBE_UNUSED = {
    0x0B234451, 0xF87E, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidFileCopier HOST_MAYBE_UNUSED = {
    0x798143C2, 0xF87D, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidMacroServices HOST_MAYBE_UNUSED = {
    0x798143C0, 0xF87D, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};

static const IID16 kIidResolver HOST_MAYBE_UNUSED = {
    0x4E549F44, 0xFEE1, 0x11D4, {0x94, 0xB2, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidResolverEx HOST_MAYBE_UNUSED = {
    0x4E549F40, 0xFEE1, 0x11D4, {0x94, 0xB2, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidMacroCall HOST_MAYBE_UNUSED = {
    0x4E549F42, 0xFEE1, 0x11D4, {0x94, 0xB2, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};
static const IID16 kIidCvoString HOST_MAYBE_UNUSED = {
    0x6F1C2A40, 0x0B7E, 0x4C1D, {0x9A, 0x52, 0x3E, 0x4D, 0x5C, 0x6B, 0x7A, 0x80}};

#define HOST_E_NOTIMPL ((int32_t)0x80004001u)
#define HOST_E_INVALIDARG ((int32_t)0x80070057u)

static int SameIid(const IID16* a, const IID16* b) { return memcmp(a, b, sizeof *a) == 0; }

/* ---- Slots the library must not call ------------------------------------- */

typedef void (*HostSlot)(void);

HOST_MAYBE_UNUSED static void HostAbortSlot(const char* object, int slot) {
  fprintf(stderr, "the library called slot %d of the %s, outside its contract\n", slot, object);
  fflush(stderr);
  abort();
}

/* Defines NAME as the aborting function of SLOT of OBJECT (a text). */
#define HOST_FORBIDDEN_SLOT(name, object, slot) \
  static void name(void) { HostAbortSlot(object, slot); }

/* ---- ICvoString: the library calls slots 0-3, 5, 6 and 21 ----------------- */

typedef struct CvoString CvoString;
typedef struct CvoStringVtbl {
  int32_t(HOSTCALL* QueryInterface)(CvoString*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(CvoString*);                               /* 1 */
  int32_t(HOSTCALL* Release)(CvoString*);                              /* 2 */
  int32_t(HOSTCALL* SetText)(CvoString*, const char*);                 /* 3 */
  HostSlot AppendText;                                                 /* 4 */
  int32_t(HOSTCALL* GetLength)(CvoString*);                            /* 5 */
  int32_t(HOSTCALL* Empty)(CvoString*);                                /* 6 */
  HostSlot Slots7To20[14];                                             /* 7-20 */
  int32_t(HOSTCALL* GetText)(CvoString*, const char**);                /* 21 */
} CvoStringVtbl;
struct CvoString {
  const CvoStringVtbl* vtbl;
};

/* ---- ITplHostCallback (slots 0-11), implemented below -------------------- */

typedef struct HostCallback HostCallback;
typedef struct HostCallbackVtbl {
  int32_t(HOSTCALL* QueryInterface)(HostCallback*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(HostCallback*);                               /* 1 */
  int32_t(HOSTCALL* Release)(HostCallback*);                              /* 2 */
  int32_t(HOSTCALL* Output)(HostCallback*, const char*);                  /* 3 */
  HostSlot Reserved4;                                                     /* 4 */
  HostSlot Reserved5;                                                     /* 5 */
  int32_t(HOSTCALL* Progress)(HostCallback*, int32_t, int32_t);           /* 6 */
  int32_t(HOSTCALL* MapFileName)(HostCallback*, const char*, CvoString*); /* 7 */
  HostSlot Reserved8;                                                     /* 8 */
  int32_t(HOSTCALL* NotifyFile)(HostCallback*, const char*);              /* 9 */
  HostSlot Reserved10;                                                    /* 10 */
  int32_t(HOSTCALL* ShouldContinue)(HostCallback*);                       /* 11 */
} HostCallbackVtbl;

/* ---- ITplFileSource (slots 0-7): every slot is the library's to call ---- */

typedef struct FileSource FileSource;
typedef struct FileSourceVtbl {
  int32_t(HOSTCALL* QueryInterface)(FileSource*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(FileSource*);                               /* 1 */
  int32_t(HOSTCALL* Release)(FileSource*);                              /* 2 */
  int32_t(HOSTCALL* Initialize)(FileSource*, const char*);              /* 3 */
  int32_t(HOSTCALL* Uninitialize)(FileSource*);                         /* 4 */
  int32_t(HOSTCALL* GetFirstName)(FileSource*, CvoString*, int32_t*);   /* 5 */
  int32_t(HOSTCALL* GetNextName)(FileSource*, CvoString*, int32_t*);    /* 6 */
  int32_t(HOSTCALL* GetSourcePath)(FileSource*, CvoString*, const char*); /* 7 */
} FileSourceVtbl;

/* ---- ITplMacroCall (slots 0-17): a resolver's view of one statement ------ */

/* Of a host's call the library may use slots 0-2 and 4-14 (resolution,
 * arguments, assignment, the unresolved message); 3, 15, 16, 17 are its
 * own business. */
typedef struct MacroCall MacroCall;
typedef struct MacroCallVtbl {
  int32_t(HOSTCALL* QueryInterface)(MacroCall*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(MacroCall*);                               /* 1 */
  int32_t(HOSTCALL* Release)(MacroCall*);                              /* 2 */
  HostSlot SetText;                                                    /* 3 */
  int32_t(HOSTCALL* GetText)(MacroCall*, CvoString*);                  /* 4 */
  int32_t(HOSTCALL* GetName)(MacroCall*, CvoString*);                  /* 5 */
  int32_t(HOSTCALL* GetMember)(MacroCall*, CvoString*);                /* 6 */
  int32_t(HOSTCALL* GetArgCount)(MacroCall*, int32_t*);                /* 7 */
  int32_t(HOSTCALL* GetArg)(MacroCall*, int32_t, CvoString*);          /* 8 */
  int32_t(HOSTCALL* GetAssignTarget)(MacroCall*, CvoString*);          /* 9 */
  int32_t(HOSTCALL* GetContext)(MacroCall*, void**);                   /* 10 */
  int32_t(HOSTCALL* GetContainer)(MacroCall*, void**);                 /* 11 */
  int32_t(HOSTCALL* SetResult)(MacroCall*, const char*);               /* 12 */
  int32_t(HOSTCALL* GetResult)(MacroCall*, CvoString*);                /* 13 */
  int32_t(HOSTCALL* SetResultObject)(MacroCall*, void*);               /* 14 */
  HostSlot GetResultObject;                                            /* 15 */
  HostSlot GetValue;                                                   /* 16 */
  HostSlot Clone;                                                      /* 17 */
} MacroCallVtbl;
struct MacroCall {
  const MacroCallVtbl* vtbl;
};

/* ---- ITplResolver (slots 0-8) and ITplResolverEx (7, 8 of 0-8) ----------- */

typedef struct Resolver Resolver;
typedef struct ResolverVtbl {
  int32_t(HOSTCALL* QueryInterface)(Resolver*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(Resolver*);                               /* 1 */
  int32_t(HOSTCALL* Release)(Resolver*);                              /* 2 */
  int32_t(HOSTCALL* Initialize)(Resolver*);                           /* 3 */
  int32_t(HOSTCALL* Uninitialize)(Resolver*);                         /* 4 */
  int32_t(HOSTCALL* GetFirstName)(Resolver*, CvoString*, int32_t*);   /* 5 */
  int32_t(HOSTCALL* GetNextName)(Resolver*, CvoString*, int32_t*);    /* 6 */
  int32_t(HOSTCALL* OnNameConflict)(Resolver*, const char*);          /* 7 */
  int32_t(HOSTCALL* Resolve)(Resolver*, MacroCall*);                  /* 8 */
} ResolverVtbl;

typedef struct ResolverEx ResolverEx;
typedef struct ResolverExVtbl {
  int32_t(HOSTCALL* QueryInterface)(ResolverEx*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(ResolverEx*);                               /* 1 */
  int32_t(HOSTCALL* Release)(ResolverEx*);                              /* 2 */
  HostSlot Slots3To6[4];                                                /* 3-6 */
  int32_t(HOSTCALL* MapText)(ResolverEx*, CvoString*, const char*);     /* 7 */
  int32_t(HOSTCALL* QueryMacro)(ResolverEx*, CvoString*, const char*);  /* 8 */
} ResolverExVtbl;

/* ---- ITplMacroServices (slot 10 used here) and ITplResolverSet (0-8) ----- */

typedef struct MacroServices MacroServices;
typedef struct MacroServicesVtbl {
  int32_t(HOSTCALL* QueryInterface)(MacroServices*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(MacroServices*);                               /* 1 */
  int32_t(HOSTCALL* Release)(MacroServices*);                              /* 2 */
  HostSlot Slots3To9[7];                                                   /* 3-9 */
  int32_t(HOSTCALL* ResolveMacroCall)(MacroServices*, MacroCall*);         /* 10 */
} MacroServicesVtbl;
struct MacroServices {
  const MacroServicesVtbl* vtbl;
};

typedef struct ResolverSet ResolverSet;
typedef struct ResolverSetVtbl {
  int32_t(HOSTCALL* QueryInterface)(ResolverSet*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(ResolverSet*);                               /* 1 */
  int32_t(HOSTCALL* Release)(ResolverSet*);                              /* 2 */
  int32_t(HOSTCALL* Initialize)(ResolverSet*);                           /* 3 */
  int32_t(HOSTCALL* Uninitialize)(ResolverSet*);                         /* 4 */
  int32_t(HOSTCALL* SetManager)(ResolverSet*, void*);                    /* 5 */
  int32_t(HOSTCALL* SetHostPath)(ResolverSet*, const char*);             /* 6 */
  int32_t(HOSTCALL* SetHostParam)(ResolverSet*, const char*);            /* 7 */
  int32_t(HOSTCALL* Reserved)(ResolverSet*, int32_t);                    /* 8 */
} ResolverSetVtbl;
struct ResolverSet {
  const ResolverSetVtbl* vtbl;
};

/* ---- ITplManager (slots 0-22) and ITplFileCopier (slots 0-11) ------------ */

typedef struct Manager Manager;
typedef struct ManagerVtbl {
  int32_t(HOSTCALL* QueryInterface)(Manager*, const IID16*, void**);            /* 0 */
  int32_t(HOSTCALL* AddRef)(Manager*);                                          /* 1 */
  int32_t(HOSTCALL* Release)(Manager*);                                         /* 2 */
  int32_t(HOSTCALL* AddResolver)(Manager*, void*);                              /* 3 */
  int32_t(HOSTCALL* RemoveResolver)(Manager*, void*);                           /* 4 */
  int32_t(HOSTCALL* AddFileSource)(Manager*, void*);                            /* 5 */
  int32_t(HOSTCALL* RemoveFileSource)(Manager*, void*);                         /* 6 */
  int32_t(HOSTCALL* MapFileName)(Manager*, CvoString*, const char*);            /* 7 */
  int32_t(HOSTCALL* AddUpdateFile)(Manager*, const char*);                      /* 8 */
  int32_t(HOSTCALL* GetHost)(Manager*, HostCallback**);                         /* 9 */
  int32_t(HOSTCALL* SetSystemValue)(Manager*, const char*, const char*);        /* 10 */
  int32_t(HOSTCALL* HasResolverFor)(Manager*, const char*);                     /* 11 */
  int32_t(HOSTCALL* ResolveMacroText)(Manager*, const char*, CvoString*);       /* 12 */
  int32_t(HOSTCALL* EvaluateExpression)(Manager*, const char*, CvoString*);     /* 13 */
  int32_t(HOSTCALL* ResolveMacroTextIn)(Manager*, const char*, void*, CvoString*);   /* 14 */
  int32_t(HOSTCALL* EvaluateExpressionIn)(Manager*, const char*, void*, CvoString*); /* 15 */
  int32_t(HOSTCALL* ResolveMacroTextFor)(Manager*, const char*, void*, CvoString*);  /* 16 */
  int32_t(HOSTCALL* PatchFile)(Manager*, const char*);                          /* 17 */
  int32_t(HOSTCALL* AddFileToCache)(Manager*, const char*);                     /* 18 */
  int32_t(HOSTCALL* CopyThroughCache)(Manager*, const char*, const char*, int32_t); /* 19 */
  int32_t(HOSTCALL* GetFileContent)(Manager*, const char*, void*);              /* 20 */
  int32_t(HOSTCALL* IsFileCached)(Manager*, const char*);                       /* 21 */
  int32_t(HOSTCALL* WriteDeferredFile)(Manager*, const char*);                  /* 22 */
} ManagerVtbl;
struct Manager {
  const ManagerVtbl* vtbl;
};

typedef struct FileCopier FileCopier;
typedef struct FileCopierVtbl {
  int32_t(HOSTCALL* QueryInterface)(FileCopier*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(FileCopier*);                               /* 1 */
  int32_t(HOSTCALL* Release)(FileCopier*);                              /* 2 */
  int32_t(HOSTCALL* Initialize)(FileCopier*, HostCallback*);            /* 3 */
  int32_t(HOSTCALL* AddResolverModuleByHost)(FileCopier*, const char*, const char*,
                                             const char*);               /* 4 */
  int32_t(HOSTCALL* Terminate)(FileCopier*);                            /* 5 */
  int32_t(HOSTCALL* CopyFilesByHost)(FileCopier*);                      /* 6 */
  int32_t(HOSTCALL* UpdateFilesByHost)(FileCopier*);                    /* 7 */
  int32_t(HOSTCALL* QueryAndMapMacro)(FileCopier*, const char*, CvoString*); /* 8 */
  int32_t(HOSTCALL* QueryMacro)(FileCopier*, const char*, CvoString*);  /* 9 */
  int32_t(HOSTCALL* CopyTemplateFile)(FileCopier*, const char*, CvoString*); /* 10 */
  int32_t(HOSTCALL* UpdateTemplateFile)(FileCopier*, const char*);      /* 11 */
} FileCopierVtbl;
struct FileCopier {
  const FileCopierVtbl* vtbl;
};

typedef int32_t(HOSTCALL* CreateManagerFn)(Manager**);
typedef int32_t(HOSTCALL* CreateResolversFn)(ResolverSet**);
typedef int32_t(HOSTCALL* CreateStringFn)(CvoString**);

/* ---- The library loaded at run time, as hosts of it do ------------------- */

HOST_MAYBE_UNUSED static void* HostLoadLibrary(const char* file) {
#if defined(_WIN32)
  return (void*)LoadLibraryA(file);
#else
  return dlopen(file, RTLD_NOW | RTLD_LOCAL);
#endif
}

HOST_MAYBE_UNUSED static int HostFreeLibrary(void* library) {
#if defined(_WIN32)
  return FreeLibrary((HMODULE)library) ? 0 : 1;
#else
  return dlclose(library);
#endif
}

/* Copies the address of an entry point into the typed function pointer at
 * slot (data and function pointers do not convert in ISO C); 1 when found. */
HOST_MAYBE_UNUSED static int HostEntry(void* library, const char* name, void* slot,
                                       size_t size) {
#if defined(_WIN32)
  FARPROC address = GetProcAddress((HMODULE)library, name);
#else
  void* address = dlsym(library, name);
#endif
  if (address != NULL) memcpy(slot, &address, size);
  return address != NULL;
}

/* ---- A string object with only the slots the library calls --------------- */

typedef struct HostString {
  const CvoStringVtbl* vtbl;
  int32_t count;
  char* text; /* NULL while empty */
} HostString;

static int host_strings_alive; /* made and not yet released to 0 */

static int32_t HOSTCALL HostStringQueryInterface(CvoString* self, const IID16* iid, void** out) {
  if (out == NULL) return HOST_E_INVALIDARG;
  *out = NULL;
  if (!SameIid(iid, &kIidCvoString)) return HOST_E_NOTIMPL;
  ++((HostString*)self)->count;
  *out = self;
  return 0;
}
static int32_t HOSTCALL HostStringAddRef(CvoString* self) { return ++((HostString*)self)->count; }
static int32_t HOSTCALL HostStringEmpty(CvoString* self) {
  HostString* s = (HostString*)self;
  free(s->text);
  s->text = NULL;
  return 0;
}
static int32_t HOSTCALL HostStringRelease(CvoString* self) {
  const int32_t left = --((HostString*)self)->count;
  if (left == 0) {
    HostStringEmpty(self);
    free(self);
    --host_strings_alive;
  }
  return left;
}
static int32_t HOSTCALL HostStringSetText(CvoString* self, const char* text) {
  HostString* s = (HostString*)self;
  char* copy = NULL;
  if (text != NULL && *text != '\0') {
    copy = (char*)malloc(strlen(text) + 1);
    if (copy == NULL) return 1;
    strcpy(copy, text);
  }
  free(s->text);
  s->text = copy;
  return 0;
}
static int32_t HOSTCALL HostStringGetLength(CvoString* self) {
  const HostString* s = (const HostString*)self;
  return s->text != NULL ? (int32_t)strlen(s->text) : 0;
}
static int32_t HOSTCALL HostStringGetText(CvoString* self, const char** text) {
  const HostString* s = (const HostString*)self;
  if (text == NULL) return 1;
  *text = s->text != NULL ? s->text : "";
  return 0;
}

HOST_FORBIDDEN_SLOT(HostString4, "string object", 4)
HOST_FORBIDDEN_SLOT(HostString7, "string object", 7)
HOST_FORBIDDEN_SLOT(HostString8, "string object", 8)
HOST_FORBIDDEN_SLOT(HostString9, "string object", 9)
HOST_FORBIDDEN_SLOT(HostString10, "string object", 10)
HOST_FORBIDDEN_SLOT(HostString11, "string object", 11)
HOST_FORBIDDEN_SLOT(HostString12, "string object", 12)
HOST_FORBIDDEN_SLOT(HostString13, "string object", 13)
HOST_FORBIDDEN_SLOT(HostString14, "string object", 14)
HOST_FORBIDDEN_SLOT(HostString15, "string object", 15)
HOST_FORBIDDEN_SLOT(HostString16, "string object", 16)
HOST_FORBIDDEN_SLOT(HostString17, "string object", 17)
HOST_FORBIDDEN_SLOT(HostString18, "string object", 18)
HOST_FORBIDDEN_SLOT(HostString19, "string object", 19)
HOST_FORBIDDEN_SLOT(HostString20, "string object", 20)

static const CvoStringVtbl kHostStringVtbl HOST_MAYBE_UNUSED = {
    HostStringQueryInterface, HostStringAddRef,
    HostStringRelease,        HostStringSetText,
    HostString4,              HostStringGetLength,
    HostStringEmpty,          {HostString7, HostString8, HostString9, HostString10, HostString11,
                               HostString12, HostString13, HostString14, HostString15,
                               HostString16, HostString17, HostString18, HostString19,
                               HostString20},
    HostStringGetText,
};

/* A new, empty string object with one reference for the caller; NULL when
 * out of memory. */
HOST_MAYBE_UNUSED static CvoString* NewHostString(void) {
  HostString* s = (HostString*)calloc(1, sizeof *s);
  if (s == NULL) return NULL;
  s->vtbl = &kHostStringVtbl;
  s->count = 1;
  ++host_strings_alive;
  return (CvoString*)s;
}

/* ---- The host object: counts its references and records its calls -------- */

struct HostCallback {
  const HostCallbackVtbl* vtbl;
  int32_t count;
  int outputs;
  char last_output[256];
  char log[1024];     /* every output in order, cut at the end */
  char progress[64];  /* "index/total " per Progress call */
  int notified;       /* NotifyFile calls */
  int map_calls;
  const char* map_answer; /* MapFileName answers 0 with this text when set */
};

/* Appends text to buffer, cutting it at the end. */
static void HostAppend(char* buffer, size_t size, const char* text) {
  const size_t used = strlen(buffer);
  if (used + 1 < size) snprintf(buffer + used, size - used, "%s", text);
}

static int32_t HOSTCALL HostQueryInterface(HostCallback* self, const IID16* iid, void** out) {
  (void)self;
  (void)iid;
  if (out != NULL) *out = NULL;
  return HOST_E_NOTIMPL;
}
static int32_t HOSTCALL HostAddRef(HostCallback* self) { return ++self->count; }
static int32_t HOSTCALL HostRelease(HostCallback* self) { return --self->count; }
static int32_t HOSTCALL HostOutput(HostCallback* self, const char* text) {
  ++self->outputs;
  snprintf(self->last_output, sizeof self->last_output, "%s", text != NULL ? text : "");
  HostAppend(self->log, sizeof self->log, self->last_output);
  return 0;
}
static int32_t HOSTCALL HostProgress(HostCallback* self, int32_t index, int32_t total) {
  char step[24];
  snprintf(step, sizeof step, "%d/%d ", (int)index, (int)total);
  HostAppend(self->progress, sizeof self->progress, step);
  return 0;
}
static int32_t HOSTCALL HostMapFileName(HostCallback* self, const char* path, CvoString* out) {
  (void)path;
  ++self->map_calls;
  if (self->map_answer == NULL) return 1;
  out->vtbl->SetText(out, self->map_answer);
  return 0;
}
static int32_t HOSTCALL HostNotifyFile(HostCallback* self, const char* path) {
  (void)path;
  ++self->notified;
  return 0;
}
static int32_t HOSTCALL HostShouldContinue(HostCallback* self) {
  (void)self;
  return 1;
}

HOST_FORBIDDEN_SLOT(Host4, "host callback", 4)
HOST_FORBIDDEN_SLOT(Host5, "host callback", 5)
HOST_FORBIDDEN_SLOT(Host8, "host callback", 8)
HOST_FORBIDDEN_SLOT(Host10, "host callback", 10)

static const HostCallbackVtbl kHostVtbl = {
    HostQueryInterface, HostAddRef,     HostRelease, HostOutput,
    Host4,              Host5,          HostProgress, HostMapFileName,
    Host8,              HostNotifyFile, Host10,       HostShouldContinue,
};

/* A host with one reference, its own. */
static void InitHost(HostCallback* host) {
  memset(host, 0, sizeof *host);
  host->vtbl = &kHostVtbl;
  host->count = 1;
}

/* Forgets what the host was told so far. */
HOST_MAYBE_UNUSED static void ClearHostRecord(HostCallback* host) {
  host->log[0] = '\0';
  host->progress[0] = '\0';
  host->notified = 0;
}

/* ---- Checks ---------------------------------------------------------------- */

static int passed;
static int failed;

#define CHECK(condition)                                                            \
  do {                                                                              \
    if (condition) {                                                                \
      ++passed;                                                                     \
    } else {                                                                        \
      ++failed;                                                                     \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
    }                                                                               \
  } while (0)

/* Compares two texts and shows both when they differ. */
#define CHECK_TEXT(actual, expected)                                                  \
  do {                                                                                \
    const char* actual_ = (actual);                                                   \
    const char* expected_ = (expected);                                               \
    CHECK(strcmp(actual_, expected_) == 0);                                           \
    if (strcmp(actual_, expected_) != 0)                                              \
      fprintf(stderr, "  got      \"%s\"\n  expected \"%s\"\n", actual_, expected_); \
  } while (0)

/* The exit status of a host: every check passed, and there was one. */
static int Verdict(void) {
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

static const char* TextOf(CvoString* s) {
  const char* text = NULL;
  if (s->vtbl->GetLength(s) == 0) return "";
  if (s->vtbl->GetText(s, &text) != 0 || text == NULL) return "(no text)";
  return text;
}

#endif /* QUENLOFT_TESTS_SUPPORT_C_HOST_H */
