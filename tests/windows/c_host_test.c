/* A Windows host written in C, as an existing host of the DLL is: it loads
 * quenloft.dll with LoadLibraryA, finds the exports with GetProcAddress and
 * calls through the vtables with the stdcall convention; its own callback
 * object is called back the same way. It also reads the DLLs' export and
 * import tables: exactly three exports, and nothing imported but system
 * DLLs and the in-house DLLs. No header of the library is included. */
#include <windows.h>
#include <objbase.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#if defined(_WIN64)
#define HOSTCALL
#else
#define HOSTCALL __stdcall
#endif

typedef struct IID16 {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} IID16;

static const IID16 kIidFileCopier = {
    0x798143C2, 0xF87D, 0x11D4, {0x94, 0xAB, 0x00, 0x50, 0xDA, 0x1C, 0x68, 0xB0}};

/* ---- ICvoString: slots 0-2, 3, 5 and 21 are used here -------------------- */

typedef struct CvoString CvoString;
typedef struct CvoStringVtbl {
  int32_t(HOSTCALL* QueryInterface)(CvoString*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(CvoString*);                               /* 1 */
  int32_t(HOSTCALL* Release)(CvoString*);                              /* 2 */
  int32_t(HOSTCALL* SetText)(CvoString*, const char*);                 /* 3 */
  int32_t(HOSTCALL* AppendText)(CvoString*, const char*);              /* 4 */
  int32_t(HOSTCALL* GetLength)(CvoString*);                            /* 5 */
  void (*Slots6To20[15])(void);                                        /* 6-20 */
  int32_t(HOSTCALL* GetText)(CvoString*, const char**);                /* 21 */
} CvoStringVtbl;
struct CvoString {
  const CvoStringVtbl* vtbl;
};

/* ---- ITplHostCallback, implemented below -------------------------------- */

typedef struct Host Host;
typedef struct HostVtbl {
  int32_t(HOSTCALL* QueryInterface)(Host*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(Host*);                               /* 1 */
  int32_t(HOSTCALL* Release)(Host*);                              /* 2 */
  int32_t(HOSTCALL* Output)(Host*, const char*);                  /* 3 */
  int32_t(HOSTCALL* Reserved4)(Host*);                            /* 4 */
  int32_t(HOSTCALL* Reserved5)(Host*);                            /* 5 */
  int32_t(HOSTCALL* Progress)(Host*, int32_t, int32_t);           /* 6 */
  int32_t(HOSTCALL* MapFileName)(Host*, const char*, CvoString*); /* 7 */
  int32_t(HOSTCALL* Reserved8)(Host*);                            /* 8 */
  int32_t(HOSTCALL* NotifyFile)(Host*, const char*);              /* 9 */
  int32_t(HOSTCALL* Reserved10)(Host*);                           /* 10 */
  int32_t(HOSTCALL* ShouldContinue)(Host*);                       /* 11 */
} HostVtbl;
struct Host {
  const HostVtbl* vtbl;
  int32_t count;
  char last_output[256];
};

/* ---- ITplManager (slots 0-13 used) and ITplFileCopier (0-5) -------------- */

typedef struct Manager Manager;
typedef struct ManagerVtbl {
  int32_t(HOSTCALL* QueryInterface)(Manager*, const IID16*, void**);        /* 0 */
  int32_t(HOSTCALL* AddRef)(Manager*);                                      /* 1 */
  int32_t(HOSTCALL* Release)(Manager*);                                     /* 2 */
  void (*Slots3To9[7])(void);                                               /* 3-9 */
  int32_t(HOSTCALL* SetSystemValue)(Manager*, const char*, const char*);    /* 10 */
  int32_t(HOSTCALL* HasResolverFor)(Manager*, const char*);                 /* 11 */
  int32_t(HOSTCALL* ResolveMacroText)(Manager*, const char*, CvoString*);   /* 12 */
  int32_t(HOSTCALL* EvaluateExpression)(Manager*, const char*, CvoString*); /* 13 */
} ManagerVtbl;
struct Manager {
  const ManagerVtbl* vtbl;
};

typedef struct FileCopier FileCopier;
typedef struct FileCopierVtbl {
  int32_t(HOSTCALL* QueryInterface)(FileCopier*, const IID16*, void**); /* 0 */
  int32_t(HOSTCALL* AddRef)(FileCopier*);                               /* 1 */
  int32_t(HOSTCALL* Release)(FileCopier*);                              /* 2 */
  int32_t(HOSTCALL* Initialize)(FileCopier*, Host*);                    /* 3 */
  int32_t(HOSTCALL* AddResolverModuleByHost)(FileCopier*, const char*, const char*,
                                             const char*); /* 4 */
  int32_t(HOSTCALL* Terminate)(FileCopier*);               /* 5 */
} FileCopierVtbl;
struct FileCopier {
  const FileCopierVtbl* vtbl;
};

typedef int32_t(HOSTCALL* CreateManagerFn)(Manager**);
typedef int32_t(HOSTCALL* CreateStringFn)(CvoString**);

/* ---- The host object ------------------------------------------------------ */

static int32_t HOSTCALL HostQueryInterface(Host* self, const IID16* iid, void** out) {
  (void)self;
  (void)iid;
  if (out != NULL) *out = NULL;
  return (int32_t)0x80004001u;
}
static int32_t HOSTCALL HostAddRef(Host* self) { return ++self->count; }
static int32_t HOSTCALL HostRelease(Host* self) { return --self->count; }
static int32_t HOSTCALL HostOutput(Host* self, const char* text) {
  snprintf(self->last_output, sizeof self->last_output, "%s", text != NULL ? text : "");
  return 0;
}
static int32_t HOSTCALL HostReserved(Host* self) {
  (void)self;
  return 0;
}
static int32_t HOSTCALL HostProgress(Host* self, int32_t index, int32_t total) {
  (void)self;
  (void)index;
  (void)total;
  return 0;
}
static int32_t HOSTCALL HostMapFileName(Host* self, const char* path, CvoString* out) {
  (void)self;
  (void)path;
  (void)out;
  return 1;
}
static int32_t HOSTCALL HostNotifyFile(Host* self, const char* path) {
  (void)self;
  (void)path;
  return 0;
}
static int32_t HOSTCALL HostShouldContinue(Host* self) {
  (void)self;
  return 1;
}

static const HostVtbl kHostVtbl = {
    HostQueryInterface, HostAddRef,     HostRelease,  HostOutput,
    HostReserved,       HostReserved,   HostProgress, HostMapFileName,
    HostReserved,       HostNotifyFile, HostReserved, HostShouldContinue,
};

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

/* GetProcAddress answers a generic function pointer; copy it into the
 * typed one. */
static int Entry(HMODULE module, const char* name, void* function_slot, size_t size) {
  FARPROC address = GetProcAddress(module, name);
  if (address != NULL) memcpy(function_slot, &address, size);
  return address != NULL;
}

static const IMAGE_DATA_DIRECTORY* Directory(HMODULE module, int index) {
  const BYTE* base = (const BYTE*)module;
  const IMAGE_DOS_HEADER* dos = (const IMAGE_DOS_HEADER*)base;
  const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + dos->e_lfanew);
  return &nt->OptionalHeader.DataDirectory[index];
}

/* The export table names exactly the three entry points. */
static void CheckExports(HMODULE module) {
  static const char* const kExpected[] = {"CreateTemplateManagerInstance",
                                          "CreateTemplateResolversInstance",
                                          "InitTemplateFilesToCache"};
  const BYTE* base = (const BYTE*)module;
  const IMAGE_DATA_DIRECTORY* entry = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
  const IMAGE_EXPORT_DIRECTORY* exports =
      (const IMAGE_EXPORT_DIRECTORY*)(base + entry->VirtualAddress);
  const DWORD* names = (const DWORD*)(base + exports->AddressOfNames);
  DWORD i;
  CHECK(entry->Size != 0);
  CHECK(exports->NumberOfNames == 3);
  CHECK(exports->NumberOfFunctions == 3);
  for (i = 0; i < exports->NumberOfNames && i < 3; ++i) {
    const char* name = (const char*)(base + names[i]);
    if (strcmp(name, kExpected[i]) != 0) fprintf(stderr, "unexpected export %s\n", name);
    CHECK(strcmp(name, kExpected[i]) == 0);
  }
}

/* The module imports only system DLLs and the in-house DLLs: the compiler's
 * runtime is linked in, so a host ships nothing else. */
static void CheckImports(const char* file) {
  static const char* const kAllowed[] = {
      "kernel32.dll",    "msvcrt.dll",       "ole32.dll", "oleaut32.dll",
      "CorvaskObjs.dll", "CorvaskUtils.dll", "TAVLOR.dll", "pmtkWin32FileServices.dll"};
  HMODULE module = GetModuleHandleA(file);
  const BYTE* base = (const BYTE*)module;
  const IMAGE_DATA_DIRECTORY* entry;
  const IMAGE_IMPORT_DESCRIPTOR* import;
  CHECK(module != NULL);
  if (module == NULL) return;
  entry = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  for (import = (const IMAGE_IMPORT_DESCRIPTOR*)(base + entry->VirtualAddress);
       entry->Size != 0 && import->Name != 0; ++import) {
    const char* name = (const char*)(base + import->Name);
    size_t i;
    int allowed = 0;
    for (i = 0; i < sizeof kAllowed / sizeof kAllowed[0]; ++i)
      allowed = allowed || _stricmp(name, kAllowed[i]) == 0;
    if (!allowed) fprintf(stderr, "%s imports %s\n", file, name);
    CHECK(allowed);
  }
}

static const char* TextOf(CvoString* s) {
  const char* text = NULL;
  if (s->vtbl->GetLength(s) == 0) return "";
  if (s->vtbl->GetText(s, &text) != 0 || text == NULL) return "(no text)";
  return text;
}

static void DriveManager(CreateManagerFn create_manager, CreateStringFn create_string) {
  Host host;
  Manager* manager = NULL;
  FileCopier* copier = NULL;
  CvoString* text = NULL;
  memset(&host, 0, sizeof host);
  host.vtbl = &kHostVtbl;
  host.count = 1;

  CHECK(create_manager(&manager) == 0);
  CHECK(manager != NULL);
  if (manager == NULL) return;
  CHECK(manager->vtbl->QueryInterface(manager, (const IID16*)&kIidFileCopier,
                                      (void**)&copier) == 0);
  CHECK(copier != NULL);
  if (copier == NULL) {
    manager->vtbl->Release(manager);
    return;
  }
  CHECK(copier->vtbl->Initialize(copier, &host) == 0);
  CHECK(host.count == 2);
  /* The library names itself as a resolver module: found beside itself
   * and already loaded, it contributes the built-in functions. */
  CHECK(copier->vtbl->AddResolverModuleByHost(copier, "quenloft.dll", "C:\\host", "") == 0);
  CHECK(manager->vtbl->HasResolverFor(manager, "Concat") == 0);
  CHECK(copier->vtbl->AddResolverModuleByHost(copier, "no-such-module.dll", "C:\\host", "") ==
        1);

  create_string(&text);
  CHECK(text != NULL);
  if (text != NULL) {
    CHECK(manager->vtbl->SetSystemValue(manager, "System.Title", "From C") == 0);
    CHECK(manager->vtbl->EvaluateExpression(manager, "Concat(System.Title, '!')", text) == 0);
    CHECK(strcmp(TextOf(text), "From C!") == 0);
    CHECK(manager->vtbl->EvaluateExpression(
              manager,
              "Transform('<a>x</a>', '<xsl:stylesheet version=\"1.0\" "
              "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\"><xsl:output "
              "method=\"text\"/><xsl:template match=\"/\">[<xsl:value-of "
              "select=\"a\"/>]</xsl:template></xsl:stylesheet>')",
              text) == 0);
    CHECK(strcmp(TextOf(text), "[x]") == 0);
    /* An unknown name is reported to the host through its slot 3. */
    manager->vtbl->EvaluateExpression(manager, "NoSuchName", text);
    CHECK(strstr(host.last_output, "Template Error: can not resolve macro: NoSuchName") != NULL);
    text->vtbl->Release(text);
  }

  CHECK(copier->vtbl->Terminate(copier) == 0);
  CHECK(host.count == 1);
  CHECK(copier->vtbl->Release(copier) == 1);
  CHECK(manager->vtbl->Release(manager) == 0);
  CHECK(host.count == 1);
}

int main(void) {
  CreateManagerFn create_manager = NULL;
  CreateStringFn create_string = NULL;
  HMODULE library;
  const HRESULT com = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);

  library = LoadLibraryA("quenloft.dll");
  CHECK(library != NULL);
  if (library != NULL) {
    CheckExports(library);
    CheckImports("quenloft.dll");
    CheckImports("CorvaskObjs.dll");
    CheckImports("CorvaskUtils.dll");
    CheckImports("TAVLOR.dll");
    CheckImports("pmtkWin32FileServices.dll");
    CHECK(Entry(library, "CreateTemplateManagerInstance", &create_manager,
                sizeof create_manager));
    /* Undecorated: no "@4" in the exported name. */
    CHECK(GetProcAddress(library, "CreateTemplateManagerInstance@4") == NULL);
    CHECK(Entry(GetModuleHandleA("CorvaskObjs.dll"), "CreateCvoStringInstance", &create_string,
                sizeof create_string));
    if (create_manager != NULL && create_string != NULL) DriveManager(create_manager, create_string);
    CHECK(FreeLibrary(library));
  }
  if (SUCCEEDED(com)) CoUninitialize();
  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
