/* A Windows host written in C, as an existing host of the DLL is: it loads
 * quenloft.dll with LoadLibraryA, finds the exports with GetProcAddress and
 * calls through the vtables with the stdcall convention; its own callback
 * object is called back the same way. It also reads the DLLs' export and
 * import tables: exactly three exports, and nothing imported but system
 * DLLs, the in-house DLLs and the compiler's runtime DLLs. No header of the
 * library is included. */
#include <windows.h>
#include <objbase.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "support/c_host.h"

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

/* The module imports only system DLLs, the in-house DLLs and the compiler's
 * runtime DLLs that ship beside them, so a host ships nothing else. */
static void CheckImports(const char* file) {
  static const char* const kAllowed[] = {
      "kernel32.dll",    "msvcrt.dll",       "ole32.dll", "oleaut32.dll",
      "CorvaskObjs.dll", "CorvaskUtils.dll", "TAVLOR.dll", "pmtkWin32FileServices.dll",
#ifdef _WIN64
      "libgcc_s_seh-1.dll",
#else
      "libgcc_s_dw2-1.dll",
#endif
      "libstdc++-6.dll", "libwinpthread-1.dll"};
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

static void DriveManager(CreateManagerFn create_manager, CreateStringFn create_string) {
  HostCallback host;
  Manager* manager = NULL;
  FileCopier* copier = NULL;
  CvoString* text = NULL;
  InitHost(&host);

  CHECK(create_manager(&manager) == 0);
  CHECK(manager != NULL);
  if (manager == NULL) return;
  CHECK(manager->vtbl->QueryInterface(manager, &kIidFileCopier,
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
    if (create_manager != NULL && create_string != NULL) {
      DriveManager(create_manager, create_string);
    }
    CHECK(FreeLibrary(library));
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return Verdict();
}
