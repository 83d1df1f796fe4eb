/* The binary contract as C code sees it, without any header of the
 * library: the library loaded at run time, the tables of the objects a
 * host calls (up to the last slot it uses), host objects that count their
 * references, and the checks. The C hosts and the C test module include it.
 *
 * A host object begins with its table, its count and its name. Its table
 * is made with HOST_TABLE: every slot the object does not implement holds
 * a function that names the object and the slot and aborts, so a call
 * outside the contract cannot pass unnoticed. Every slot takes the object
 * as a plain pointer, so one AddRef and one Release serve all objects. */
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
HOST_IID(kIidVariables, 0x4E549F54, 0xFEE1, 0x11D4, 0x94, 0xB2);
HOST_IID(kIidExpression, 0x4E549F43, 0xFEE1, 0x11D4, 0x94, 0xB2);
HOST_IID(kIidPatchedFile, 0x4E549F46, 0xFEE1, 0x11D4, 0x94, 0xB2);
#undef HOST_IID
/* The platform's base interface: no object of the library answers it. */
static const IID16 kIidUnknown HOST_UNUSED = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
static const IID16 kIidDiagnostics HOST_UNUSED = {
    0x7A6B5D11, 0xF27B, 0x4431, {0x95, 0x1E, 0x63, 0x7C, 0x99, 0xC4, 0x10, 0x7F}};

/* What ITplDiagnostics::Report receives. */
typedef struct Diagnostic {
  uint32_t size;
  int32_t severity; /* 0 error, 1 warning */
  const char* code;
  const char* file;
  int32_t line, column;
  const char* statement;
  const char* reason;
} Diagnostic;

#define HOST_E_NOTIMPL ((int32_t)0x80004001u)
#define HOST_E_INVALIDARG ((int32_t)0x80070057u)

typedef int32_t(HOSTCALL* QueryFn)(void* self, const IID16* iid, void** out);
typedef int32_t(HOSTCALL* CountFn)(void* self);
typedef int32_t(HOSTCALL* TextFn)(void* self, const char* text);
typedef void (*HostSlot)(void); /* any slot; ISO C converts function pointers back and forth */

/* ---- Host objects and their tables ------------------------------------------ */

typedef struct Counted {
  const HostSlot* vtbl;
  int32_t count;
  const char* name; /* for the message of an aborting slot */
} Counted;

HOST_UNUSED static void HostAbort(void* self, int slot) {
  fprintf(stderr, "the library called slot %d of the %s, outside its contract\n", slot,
          ((Counted*)self)->name);
  fflush(stderr);
  abort();
}
/* ICvoString, 22 slots, is the widest table a host implements. */
#define HOST_EACH_SLOT(m)                                                                         \
  m(0) m(1) m(2) m(3) m(4) m(5) m(6) m(7) m(8) m(9) m(10) m(11) m(12) m(13) m(14) m(15) m(16) \
      m(17) m(18) m(19) m(20) m(21)
#define HOST_ABORTING_SLOT(n) \
  HOST_UNUSED static void HOSTCALL HostAborting##n(void* self) { HostAbort(self, n); }
HOST_EACH_SLOT(HOST_ABORTING_SLOT)
#undef HOST_ABORTING_SLOT
#define HOST_ABORTING_ENTRY(n) (HostSlot)HostAborting##n,
#define SLOT(function) (HostSlot)(function)
/* A host object's table: every slot aborting, then the implemented ones
 * given as "[index] = SLOT(function)", which replace them. */
#define HOST_TABLE(...) {HOST_EACH_SLOT(HOST_ABORTING_ENTRY) __VA_ARGS__}
#pragma GCC diagnostic ignored "-Woverride-init"

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

/* ---- String objects ---------------------------------------------------------- */

/* ICvoString as the library and the host call it: slots 3, 5, 6 and 21. */
typedef struct CvoString {
  const struct {
    QueryFn QueryInterface;
    CountFn AddRef, Release;
    TextFn SetText;                                  /* 3 */
    HostSlot AppendText;                             /* 4 */
    CountFn GetLength, Empty;                        /* 5, 6 */
    HostSlot Slots7To20[14];                         /* 7-20 */
    int32_t(HOSTCALL* GetText)(void*, const char**); /* 21 */
  } * vtbl;
} CvoString;

/* A string object of the host's own, freed at count 0. Texts longer than
 * the tests use are cut. */
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
HOST_UNUSED static const HostSlot kHostStringTable[] = HOST_TABLE(
    [0] = SLOT(HostStringQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(HostStringRelease),
    [3] = SLOT(HostStringSetText), [5] = SLOT(HostStringGetLength), [6] = SLOT(HostStringEmpty),
    [21] = SLOT(HostStringGetText));

/* A host string object holding text (NULL: empty) with one reference for
 * the caller; NULL when out of memory. */
HOST_UNUSED static CvoString* NewHostString(const char* text) {
  HostString* s = (HostString*)calloc(1, sizeof *s);
  if (s == NULL) return NULL;
  s->base = (Counted){kHostStringTable, 1, "string object"};
  ++host_strings_alive;
  HostStringSetText(s, text);
  return (CvoString*)s;
}
HOST_UNUSED static void Drop(CvoString* s) {
  if (s != NULL) s->vtbl->Release(s);
}
/* Sets the text of a string object given to the host; 1 for none. */
HOST_UNUSED static int32_t Give(void* out, const char* text) {
  return out != NULL ? ((CvoString*)out)->vtbl->SetText(out, text) : 1;
}
HOST_UNUSED static const char* TextOf(CvoString* s) {
  const char* text = NULL;
  if (s->vtbl->GetLength(s) == 0) return "";
  if (s->vtbl->GetText(s, &text) != 0 || text == NULL) return "(no text)";
  return text;
}

/* ---- Tables the host calls, up to the last slot it uses ------------------- */

/* ITplMacroCall as a resolver answers it. */
typedef struct MacroCallVtbl {
  QueryFn QueryInterface;
  CountFn AddRef, Release;
  HostSlot Slots3To11[9]; /* 3-11 */
  TextFn SetResult;       /* 12 */
} MacroCallVtbl;

/* ITplManager as a resolver set registers its resolvers. */
typedef struct Manager Manager;
struct Manager {
  const struct {
    QueryFn QueryInterface;
    CountFn AddRef, Release;
    int32_t(HOSTCALL* AddResolver)(Manager*, void*);    /* 3 */
    int32_t(HOSTCALL* RemoveResolver)(Manager*, void*); /* 4 */
  } * vtbl;
};

/* ---- The library loaded at run time, as hosts of it do ---------------------- */

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

/* ---- Checks ------------------------------------------------------------------ */

HOST_UNUSED static int passed;
HOST_UNUSED static int failed;

HOST_UNUSED static int Check(int ok, const char* file, int line, const char* condition) {
  if (!ok) fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  return ok ? ++passed : (++failed, 0);
}
#define CHECK(condition) Check((condition) != 0, __FILE__, __LINE__, #condition)
/* Compares two texts and shows both when they differ. */
#define CHECK_TEXT(actual, expected) CheckText((actual), (expected), __FILE__, __LINE__)
HOST_UNUSED static void CheckText(const char* actual, const char* expected, const char* file,
                                  int line) {
  if (!Check(strcmp(actual, expected) == 0, file, line, "texts differ"))
    fprintf(stderr, "  got      \"%s\"\n  expected \"%s\"\n", actual, expected);
}

/* The exit status of a host: every check passed, and there was one. */
HOST_UNUSED static int Verdict(void) {
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}

#endif /* QUENLOFT_TESTS_C_ABI_C_HOST_H */
