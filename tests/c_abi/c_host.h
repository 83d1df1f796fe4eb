/* The binary contract as C code sees it, without any header of the
 * library: the interfaces as tables of function pointers in slot order (a
 * table that is only called may stop at the last slot used), the library
 * loaded at run time, objects that count their references, and the checks.
 * The C hosts and the C test module include it.
 *
 * Every slot takes the object as a plain pointer, so one AddRef and one
 * Release serve all such objects: each begins with its table and a count.
 * Slots the library must never call hold a function that names the object
 * and the slots and aborts, so a call outside the contract cannot pass
 * unnoticed; such slots are typed HostSlot. */
#ifndef QUENLOFT_TESTS_C_ABI_C_HOST_H
#define QUENLOFT_TESTS_C_ABI_C_HOST_H

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
#define HOST_UNUSED __attribute__((unused))

typedef struct IID16 {
  uint32_t Data1;
  uint16_t Data2, Data3;
  uint8_t Data4[8];
} IID16;

#define HOST_IID(name, d1, d2, d3, b0, b1) \
  static const IID16 name HOST_UNUSED = {d1, d2, d3, {b0, b1, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}}
HOST_IID(kIidManager, 0x0B234451, 0xF87E, 0x11D4, 0x94, 0xAB);
HOST_IID(kIidFileCopier, 0x798143C2, 0xF87D, 0x11D4, 0x94, 0xAB);
HOST_IID(kIidMacroServices, 0x798143C0, 0xF87D, 0x11D4, 0x94, 0xAB);
HOST_IID(kIidResolver, 0x4E549F44, 0xFEE1, 0x11D4, 0x94, 0xB2);
HOST_IID(kIidResolverEx, 0x4E549F40, 0xFEE1, 0x11D4, 0x94, 0xB2);
HOST_IID(kIidMacroCall, 0x4E549F42, 0xFEE1, 0x11D4, 0x94, 0xB2);
HOST_IID(kIidResolverSet, 0x269C76F1, 0x23E9, 0x11D5, 0x94, 0xE8);
#undef HOST_IID

#define HOST_E_NOTIMPL ((int32_t)0x80004001u)
#define HOST_E_INVALIDARG ((int32_t)0x80070057u)

typedef int32_t(HOSTCALL* QueryFn)(void* self, const IID16* iid, void** out);
typedef int32_t(HOSTCALL* CountFn)(void* self);
typedef int32_t(HOSTCALL* TextFn)(void* self, const char* text);
typedef int32_t(HOSTCALL* FillFn)(void* self, void* out_string);
typedef int32_t(HOSTCALL* ListFn)(void* self, void* out_string, int32_t* position);
typedef void (*HostSlot)(void);

/* ---- Slots the library must not call ------------------------------------- */

HOST_UNUSED static void HostAbortSlot(const char* object, const char* slots) {
  fprintf(stderr, "the library called %s of the %s, outside its contract\n", slots, object);
  fflush(stderr);
  abort();
}
#define HOST_FORBIDDEN_SLOT(name, object, slots) \
  static void name(void) { HostAbortSlot(object, slots); }

/* ---- Tables the host implements ------------------------------------------ */

/* ICvoString: the library calls slots 0-3, 5, 6 and 21. */
typedef struct CvoStringVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  TextFn SetText;                                  /* 3 */
  HostSlot AppendText;                             /* 4 */
  CountFn GetLength, Empty;                        /* 5, 6 */
  HostSlot Slots7To20[14];                         /* 7-20 */
  int32_t(HOSTCALL* GetText)(void*, const char**); /* 21 */
} CvoStringVtbl;
typedef struct CvoString {
  const CvoStringVtbl* vtbl;
} CvoString;

/* ITplHostCallback: slots 4, 5, 8 and 10 are the host's own. */
typedef struct HostCallbackVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  TextFn Output;                                                  /* 3 */
  HostSlot Reserved4, Reserved5;                                  /* 4, 5 */
  int32_t(HOSTCALL* Progress)(void*, int32_t, int32_t);           /* 6 */
  int32_t(HOSTCALL* MapFileName)(void*, const char*, CvoString*); /* 7 */
  HostSlot Reserved8;                                             /* 8 */
  TextFn NotifyFile;                                              /* 9 */
  HostSlot Reserved10;                                            /* 10 */
  CountFn ShouldContinue;                                         /* 11 */
} HostCallbackVtbl;

/* ITplFileSource: every slot is the library's to call. */
typedef struct FileSourceVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  TextFn Initialize;                                                /* 3 */
  CountFn Uninitialize;                                             /* 4 */
  ListFn GetFirstName, GetNextName;                                 /* 5, 6 */
  int32_t(HOSTCALL* GetSourcePath)(void*, CvoString*, const char*); /* 7 */
} FileSourceVtbl;

/* ITplResolver (slots 0-8) and ITplResolverEx (0-2, 7 and 8 called). */
typedef struct ResolverVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release, Initialize, Uninitialize; /* 0-4 */
  ListFn GetFirstName, GetNextName;                  /* 5, 6 */
  TextFn OnNameConflict;                             /* 7 */
  int32_t(HOSTCALL* Resolve)(void*, void* call);     /* 8 */
} ResolverVtbl;
typedef struct ResolverExVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  HostSlot Slots3To6[4];                                         /* 3-6 */
  int32_t(HOSTCALL* MapText)(void*, CvoString*, const char*);    /* 7 */
  int32_t(HOSTCALL* QueryMacro)(void*, CvoString*, const char*); /* 8 */
} ResolverExVtbl;

/* ITplMacroCall: a host's call may be asked for slots 0-2 and 4-14
 * (resolution, arguments, assignment, the unresolved message). */
typedef struct MacroCallVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  HostSlot SetText;                                 /* 3 */
  FillFn GetText, GetName, GetMember;               /* 4-6 */
  int32_t(HOSTCALL* GetArgCount)(void*, int32_t*);  /* 7 */
  int32_t(HOSTCALL* GetArg)(void*, int32_t, void*); /* 8 */
  FillFn GetAssignTarget;                           /* 9 */
  int32_t(HOSTCALL* GetContext)(void*, void**);     /* 10 */
  int32_t(HOSTCALL* GetContainer)(void*, void**);   /* 11 */
  TextFn SetResult;                                 /* 12 */
  FillFn GetResult;                                 /* 13 */
  int32_t(HOSTCALL* SetResultObject)(void*, void*); /* 14 */
  HostSlot GetResultObject, GetValue, Clone;        /* 15-17 */
} MacroCallVtbl;

/* ---- Tables the host calls, up to the last slot it uses ------------------ */

typedef struct Manager Manager;
typedef struct FileCopier FileCopier;
typedef struct ManagerVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  int32_t(HOSTCALL* AddResolver)(Manager*, void*);                          /* 3 */
  int32_t(HOSTCALL* RemoveResolver)(Manager*, void*);                       /* 4 */
  int32_t(HOSTCALL* AddFileSource)(Manager*, void*);                        /* 5 */
  int32_t(HOSTCALL* RemoveFileSource)(Manager*, void*);                     /* 6 */
  int32_t(HOSTCALL* MapFileName)(Manager*, CvoString*, const char*);        /* 7 */
  int32_t(HOSTCALL* AddUpdateFile)(Manager*, const char*);                  /* 8 */
  int32_t(HOSTCALL* GetHost)(Manager*, void**);                             /* 9 */
  int32_t(HOSTCALL* SetSystemValue)(Manager*, const char*, const char*);    /* 10 */
  int32_t(HOSTCALL* HasResolverFor)(Manager*, const char*);                 /* 11 */
  int32_t(HOSTCALL* ResolveMacroText)(Manager*, const char*, CvoString*);   /* 12 */
  int32_t(HOSTCALL* EvaluateExpression)(Manager*, const char*, CvoString*); /* 13 */
} ManagerVtbl;
struct Manager {
  const ManagerVtbl* vtbl;
};

typedef struct FileCopierVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  int32_t(HOSTCALL* Initialize)(FileCopier*, void* host); /* 3 */
  int32_t(HOSTCALL* AddResolverModuleByHost)(FileCopier*, const char*, const char*,
                                             const char*);                   /* 4 */
  int32_t(HOSTCALL* Terminate)(FileCopier*);                                 /* 5 */
  int32_t(HOSTCALL* CopyFilesByHost)(FileCopier*);                           /* 6 */
  int32_t(HOSTCALL* UpdateFilesByHost)(FileCopier*);                         /* 7 */
  int32_t(HOSTCALL* QueryAndMapMacro)(FileCopier*, const char*, CvoString*); /* 8 */
  int32_t(HOSTCALL* QueryMacro)(FileCopier*, const char*, CvoString*);       /* 9 */
  int32_t(HOSTCALL* CopyTemplateFile)(FileCopier*, const char*, CvoString*); /* 10 */
} FileCopierVtbl;
struct FileCopier {
  const FileCopierVtbl* vtbl;
};

typedef struct MacroServices {
  const struct {
    QueryFn QueryInterface;
    CountFn AddRef, Release;
    HostSlot Slots3To9[7];
    int32_t(HOSTCALL* ResolveMacroCall)(struct MacroServices*, void* call); /* 10 */
  } * vtbl;
} MacroServices;

typedef struct ResolverSet {
  const struct {
    QueryFn QueryInterface;
    CountFn AddRef, Release, Initialize, Uninitialize;         /* 0-4 */
    int32_t(HOSTCALL* SetManager)(struct ResolverSet*, void*); /* 5 */
  } * vtbl;
} ResolverSet;

typedef int32_t(HOSTCALL* CreateManagerFn)(Manager**);
typedef int32_t(HOSTCALL* CreateResolversFn)(ResolverSet**);

/* ---- Host objects: a table and a count first ----------------------------- */

typedef struct Counted {
  const void* vtbl;
  int32_t count;
} Counted;

HOST_UNUSED static int32_t HOSTCALL CountedAddRef(void* self) { return ++((Counted*)self)->count; }
HOST_UNUSED static int32_t HOSTCALL CountedRelease(void* self) { return --((Counted*)self)->count; }

/* QueryInterface of an object that answers one ID with itself (none when
 * mine is null). */
HOST_UNUSED static int32_t AnswerOne(void* self, const IID16* iid, void** out, const IID16* mine,
                                     int32_t null_out) {
  if (out == NULL) return null_out;
  *out = NULL;
  if (mine == NULL || memcmp(iid, mine, sizeof *iid) != 0) return HOST_E_NOTIMPL;
  ++((Counted*)self)->count;
  *out = self;
  return 0;
}

/* A string object with only the slots the library calls; freed at count 0.
 * Texts longer than the tests use are cut. */
typedef struct HostString {
  Counted base;
  char text[512];
} HostString;

HOST_UNUSED static int host_strings_alive; /* made and not yet released to 0 */

static int32_t HOSTCALL HostStringQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_INVALIDARG);
}
static int32_t HOSTCALL HostStringRelease(void* self) {
  const int32_t left = CountedRelease(self);
  if (left == 0) free(self), --host_strings_alive;
  return left;
}
static int32_t HOSTCALL HostStringSetText(void* self, const char* text) {
  snprintf(((HostString*)self)->text, sizeof((HostString*)self)->text, "%s", text ? text : "");
  return 0;
}
static int32_t HOSTCALL HostStringEmpty(void* self) { return HostStringSetText(self, ""); }
static int32_t HOSTCALL HostStringGetLength(void* self) {
  return (int32_t)strlen(((HostString*)self)->text);
}
static int32_t HOSTCALL HostStringGetText(void* self, const char** text) {
  if (text == NULL) return 1;
  return *text = ((HostString*)self)->text, 0;
}
HOST_FORBIDDEN_SLOT(HostString4, "string object", "slot 4")
HOST_FORBIDDEN_SLOT(HostStringRest, "string object", "one of slots 7-20")

HOST_UNUSED static const CvoStringVtbl kHostStringVtbl = {
    HostStringQuery,
    CountedAddRef,
    HostStringRelease,
    HostStringSetText,
    HostString4,
    HostStringGetLength,
    HostStringEmpty,
    {HostStringRest, HostStringRest, HostStringRest, HostStringRest, HostStringRest, HostStringRest,
     HostStringRest, HostStringRest, HostStringRest, HostStringRest, HostStringRest, HostStringRest,
     HostStringRest, HostStringRest},
    HostStringGetText};

/* A host string object holding text (NULL: empty) with one reference for
 * the caller; NULL when out of memory. */
HOST_UNUSED static CvoString* NewHostString(const char* text) {
  HostString* s = (HostString*)calloc(1, sizeof *s);
  if (s == NULL) return NULL;
  s->base.vtbl = &kHostStringVtbl;
  s->base.count = 1;
  ++host_strings_alive;
  HostStringSetText(s, text);
  return (CvoString*)s;
}
HOST_UNUSED static void Drop(CvoString* s) {
  if (s != NULL) s->vtbl->Release(s);
}
/* Sets the text of a string object given to the host; 1 for none. */
HOST_UNUSED static int32_t Give(CvoString* out, const char* text) {
  return out != NULL ? out->vtbl->SetText(out, text) : 1;
}
HOST_UNUSED static const char* TextOf(CvoString* s) {
  const char* text = NULL;
  if (s->vtbl->GetLength(s) == 0) return "";
  if (s->vtbl->GetText(s, &text) != 0 || text == NULL) return "(no text)";
  return text;
}

/* ---- The library loaded at run time, as hosts of it do ------------------- */

HOST_UNUSED static void* HostLoadLibrary(const char* file) {
#if defined(_WIN32)
  return (void*)LoadLibraryA(file);
#else
  return dlopen(file, RTLD_NOW | RTLD_LOCAL);
#endif
}

HOST_UNUSED static int HostFreeLibrary(void* library) {
#if defined(_WIN32)
  return FreeLibrary((HMODULE)library) ? 0 : 1;
#else
  return dlclose(library);
#endif
}

/* Copies the address of an entry point into the typed function pointer at
 * slot (data and function pointers do not convert in ISO C); 1 when found. */
HOST_UNUSED static int HostEntry(void* library, const char* name, void* slot, size_t size) {
#if defined(_WIN32)
  FARPROC address = GetProcAddress((HMODULE)library, name);
#else
  void* address = dlsym(library, name);
#endif
  if (address != NULL) memcpy(slot, &address, size);
  return address != NULL;
}

/* ---- Checks ---------------------------------------------------------------- */

HOST_UNUSED static int passed;
HOST_UNUSED static int failed;

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
#define CHECK_TEXT(actual, expected)                                                 \
  do {                                                                               \
    const char* actual_ = (actual);                                                  \
    const char* expected_ = (expected);                                              \
    CHECK(strcmp(actual_, expected_) == 0);                                          \
    if (strcmp(actual_, expected_) != 0)                                             \
      fprintf(stderr, "  got      \"%s\"\n  expected \"%s\"\n", actual_, expected_); \
  } while (0)

/* The exit status of a host: every check passed, and there was one. */
HOST_UNUSED static int Verdict(void) {
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

#endif /* QUENLOFT_TESTS_C_ABI_C_HOST_H */
