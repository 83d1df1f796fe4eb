/* What the contract hosts share: any slot of any object called by number,
 * the manager they open with the recording host (recording_host.h), and
 * small file helpers. Each host is one program, so the state here is its
 * own. */
#ifndef QUENLOFT_TESTS_C_ABI_CONTRACT_HOST_H
#define QUENLOFT_TESTS_C_ABI_CONTRACT_HOST_H

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
typedef int32_t(HOSTCALL* FnQ)(void*, const IID16*, void**);

HOST_UNUSED static HostSlot SlotOf(void* object, int slot) {
  return (*(const HostSlot* const*)object)[slot];
}
#define CALL0(object, slot) ((Fn0)SlotOf(object, slot))(object)
#define CALL(type, object, slot, ...) ((type)SlotOf(object, slot))(object, __VA_ARGS__)
#define QUERY(object, iid, out) CALL(FnQ, object, 0, iid, (void**)(out))
#define RELEASE(object) CALL0(object, 2)

/* Slots named where several tables use them. */
enum { kManagerResolveMacroText = 12, kManagerEvaluateExpression = 13 };
enum { kServicesCreateMacroCall = 7, kServicesCreateExpression = 8,
       kServicesCreatePatchedFile = 9 };

static void* manager;  /* ITplManager */
static void* copier;   /* ITplFileCopier */
static void* services; /* ITplMacroServices */
static void* builtins; /* the library's own resolver set */

typedef int32_t(HOSTCALL* FactoryFn)(void**);

/* The text a host gets back from a call that answers in a string object:
 * "(unchanged)" when it did not write. */
HOST_UNUSED static const char* Answer(int slot, const char* text, char* buffer, size_t size) {
  CvoString* out = NewHostString("(unchanged)");
  snprintf(buffer, size, "%s", out == NULL ? "(no memory)" : "");
  if (out == NULL) return buffer;
  CALL(FnSP, manager, slot, text, out);
  snprintf(buffer, size, "%s", TextOf(out));
  Drop(out);
  return buffer;
}


/* QueryInterface of a plain object, which answers no ID. */
HOST_UNUSED static int32_t HOSTCALL PlainQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_NOTIMPL);
}

#define UNKNOWN "Template Error: can not resolve macro: "

/* The first line of a file; 0 when it cannot be read. */
HOST_UNUSED static int FileText(const char* path, char* text, size_t size) {
  FILE* stream = fopen(path, "rb");
  int read = 0;
  text[0] = '\0';
  if (stream == NULL) return 0;
  read = fgets(text, (int)size, stream) != NULL;
  fclose(stream);
  return read;
}
HOST_UNUSED static void WriteText(const char* path, const char* text) {
  FILE* stream = fopen(path, "wb");
  if (!CHECK(stream != NULL)) return;
  fputs(text, stream);
  fclose(stream);
}

/* ---- The manager, opened and closed ------------------------------------------- */

typedef struct Library {
  void* handle;
  FactoryFn create_manager, create_resolvers;
  int32_t(HOSTCALL* prime)(void);
} Library;

/* Loads the library and makes the manager with the recording host, its
 * result folder C:\out\; 0 when something is missing. */
HOST_UNUSED static int Open(Library* library) {
  void* got = &got;
  library->handle = HostLoadLibrary(QUENLOFT_LIBRARY_FILE);
  if (!CHECK(library->handle != NULL)) return 0;
  CHECK(HostEntry(library->handle, "CreateTemplateManagerInstance", &library->create_manager,
                  sizeof library->create_manager));
  CHECK(HostEntry(library->handle, "CreateTemplateResolversInstance", &library->create_resolvers,
                  sizeof library->create_resolvers));
  CHECK(HostEntry(library->handle, "InitTemplateFilesToCache", &library->prime,
                  sizeof library->prime));
  if (library->create_manager == NULL || library->create_resolvers == NULL ||
      library->prime == NULL)
    return 0;
  CHECK(library->create_manager(NULL) == 0);
  CHECK(library->create_manager(&manager) == 0 && manager != NULL);
  if (manager == NULL) return 0;
  CHECK(CALL0(manager, 1) == 2 && RELEASE(manager) == 1);
  CHECK(QUERY(manager, &kIidFileCopier, &copier) == 0);
  CHECK(QUERY(manager, &kIidMacroServices, &services) == 0);
  if (copier == NULL || services == NULL) return 0;
  CHECK(CALL(FnP, manager, 9, &got) == 0 && got == NULL); /* no host yet */
  CHECK(CALL(FnP, copier, 3, &host) == 0 && host.base.count == 2);
  CHECK(CALL(FnSS, manager, 10, "System.ResultFolderName", "C:\\out\\") == 0);
  return 1;
}

/* Gives the manager the built-in functions; 0 when that fails. */
HOST_UNUSED static int AttachBuiltins(const Library* library) {
  CHECK(library->create_resolvers(&builtins) == 0 && builtins != NULL);
  if (builtins == NULL) return 0;
  return CHECK(CALL(FnP, builtins, 5, manager) == 0 && CALL0(builtins, 3) == 0);
}

/* Terminate withdraws every name and lets the host go; the last Release
 * ends the manager; the host's string objects all came back. */
HOST_UNUSED static int Close(Library* library) {
  void* got = &got;
  if (manager != NULL && copier != NULL && services != NULL) {
    if (builtins != NULL) CHECK(CALL0(builtins, 4) == 0 && RELEASE(builtins) == 0);
    CHECK(CALL0(copier, 5) == 0 && host.base.count == 1);
    CHECK(CALL(FnS, manager, 11, "System.Title") == 1 && CALL(FnS, manager, 11, "x$$") == 1);
    CHECK(CALL(FnS, manager, 11, "Concat('a')") == 1);
    CHECK(CALL(FnP, manager, 9, &got) == 0 && got == NULL);
    CHECK(RELEASE(services) == 2 && RELEASE(copier) == 1 && RELEASE(manager) == 0);
  }
  if (library->handle != NULL) CHECK(HostFreeLibrary(library->handle) == 0);
  CHECK(host_strings_alive == 0);
  return Verdict();
}

#endif /* QUENLOFT_TESTS_C_ABI_CONTRACT_HOST_H */
