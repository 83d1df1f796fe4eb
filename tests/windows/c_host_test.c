/* The DLLs as a Windows host finds them: quenloft.dll exports exactly its
 * three entry points, undecorated, and no DLL imports anything but system
 * DLLs, the in-house DLLs and the compiler's runtime DLLs that ship beside
 * them. The strict host (tests/c_abi) drives the library from C here too. */
#include "c_abi/c_host.h"

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
      "kernel32.dll",       "msvcrt.dll",         "ole32.dll",  "oleaut32.dll",
      "CorvaskObjs.dll",    "CorvaskUtils.dll",   "TAVLOR.dll", "pmtkWin32FileServices.dll",
#ifdef _WIN64
      "libgcc_s_seh-1.dll",
#else
      "libgcc_s_dw2-1.dll",
#endif
      "libstdc++-6.dll",    "libwinpthread-1.dll"};
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

int main(void) {
  HMODULE library = LoadLibraryA("quenloft.dll");
  CHECK(library != NULL);
  if (library != NULL) {
    CheckExports(library);
    CheckImports("quenloft.dll");
    CheckImports("CorvaskObjs.dll");
    CheckImports("CorvaskUtils.dll");
    CheckImports("TAVLOR.dll");
    CheckImports("pmtkWin32FileServices.dll");
    /* Undecorated: no "@4" in the exported name. */
    CHECK(GetProcAddress(library, "CreateTemplateManagerInstance") != NULL);
    CHECK(GetProcAddress(library, "CreateTemplateManagerInstance@4") == NULL);
    CHECK(FreeLibrary(library));
  }
  return Verdict();
}
