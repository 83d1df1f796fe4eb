/* What the hosts written in C share: the interfaces they use, declared as
 * structs of function pointers in slot order without any header of the
 * library; a host object that counts its references and records its calls;
 * and a CHECK macro. Each host is one C file that includes this once. */
#ifndef QUENLOFT_TESTS_SUPPORT_C_HOST_H
#define QUENLOFT_TESTS_SUPPORT_C_HOST_H

#include <stdint.h>
#include <stdio.h>
#include <string.h>

/* Interface methods use the stdcall convention on 32-bit Windows. */
#if defined(_WIN32) && !defined(_WIN64)
#define HOSTCALL __stdcall
#else
#define HOSTCALL
#endif

/* Not every host uses every ID. */
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

#define HOST_E_NOTIMPL ((int32_t)0x80004001u)

/* ---- ICvoString: slots 0-6 and 21 are the ones used --------------------- */

typedef struct CvoString CvoString;
typedef struct CvoStringVtbl {
  int32_t(HOSTCALL* QueryInterface)(CvoString*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(CvoString*);                               /* 1 */
  int32_t(HOSTCALL* Release)(CvoString*);                              /* 2 */
  int32_t(HOSTCALL* SetText)(CvoString*, const char*);                 /* 3 */
  int32_t(HOSTCALL* AppendText)(CvoString*, const char*);              /* 4 */
  int32_t(HOSTCALL* GetLength)(CvoString*);                            /* 5 */
  int32_t(HOSTCALL* Empty)(CvoString*);                                /* 6 */
  void (*Slots7To20[14])(void);                                        /* 7-20 */
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
  int32_t(HOSTCALL* Reserved4)(HostCallback*);                            /* 4 */
  int32_t(HOSTCALL* Reserved5)(HostCallback*);                            /* 5 */
  int32_t(HOSTCALL* Progress)(HostCallback*, int32_t, int32_t);           /* 6 */
  int32_t(HOSTCALL* MapFileName)(HostCallback*, const char*, CvoString*); /* 7 */
  int32_t(HOSTCALL* Reserved8)(HostCallback*);                            /* 8 */
  int32_t(HOSTCALL* NotifyFile)(HostCallback*, const char*);              /* 9 */
  int32_t(HOSTCALL* Reserved10)(HostCallback*);                           /* 10 */
  int32_t(HOSTCALL* ShouldContinue)(HostCallback*);                       /* 11 */
} HostCallbackVtbl;

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
typedef int32_t(HOSTCALL* CreateStringFn)(CvoString**);

/* ---- The host object: counts its references and records its calls -------- */

struct HostCallback {
  const HostCallbackVtbl* vtbl;
  int32_t count;
  int outputs;
  char last_output[256];
  int map_calls;
  const char* map_answer; /* MapFileName answers 0 with this text when set */
};

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
  return 0;
}
static int32_t HOSTCALL HostReserved(HostCallback* self) {
  (void)self;
  return 0;
}
static int32_t HOSTCALL HostProgress(HostCallback* self, int32_t index, int32_t total) {
  (void)self;
  (void)index;
  (void)total;
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
  (void)self;
  (void)path;
  return 0;
}
static int32_t HOSTCALL HostShouldContinue(HostCallback* self) {
  (void)self;
  return 1;
}

static const HostCallbackVtbl kHostVtbl = {
    HostQueryInterface, HostAddRef,     HostRelease,  HostOutput,
    HostReserved,       HostReserved,   HostProgress, HostMapFileName,
    HostReserved,       HostNotifyFile, HostReserved, HostShouldContinue,
};

/* A host with one reference, its own. */
static void InitHost(HostCallback* host) {
  memset(host, 0, sizeof *host);
  host->vtbl = &kHostVtbl;
  host->count = 1;
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
