/* The binary contract from C: a host written in C declares the interfaces
 * it uses as structs of function pointers in slot order, loads the library
 * at run time and drives a manager with a host object of its own. Nothing
 * here includes a header of the library. */
#define _POSIX_C_SOURCE 200809L

#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include "support/c_host.h"

#ifndef QUENLOFT_LIBRARY_FILE
#error "QUENLOFT_LIBRARY_FILE must name libquenloft.so"
#endif

static void DriveManager(CreateManagerFn create_manager, CreateStringFn create_string) {
  HostCallback host;
  Manager* manager = NULL;
  FileCopier* copier = NULL;
  void* services = NULL;
  HostCallback* got = NULL;
  CvoString* text = NULL;
  InitHost(&host);

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
  CHECK(manager->vtbl->QueryInterface(manager, &kIidManager, NULL) == HOST_E_NOTIMPL);

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
  void* library = HostLoadLibrary(QUENLOFT_LIBRARY_FILE);
  CHECK(library != NULL);
  if (library == NULL) {
    fprintf(stderr, "dlopen: %s\n", dlerror());
  } else {
    CHECK(HostEntry(library, "CreateTemplateManagerInstance", &create_manager,
                    sizeof create_manager));
    /* Found among the library's own dependencies. */
    CHECK(HostEntry(library, "CreateCvoStringInstance", &create_string, sizeof create_string));
    if (create_manager != NULL && create_string != NULL) {
      DriveManager(create_manager, create_string);
    }
    CHECK(HostFreeLibrary(library) == 0);
  }
  return Verdict();
}
