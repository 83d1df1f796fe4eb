/* A host callback for the C hosts: it records what the library tells it
 * (messages, progress, file-name questions, notified files) and answers
 * ShouldContinue and MapFileName as the test sets it. */
#ifndef QUENLOFT_TESTS_C_ABI_RECORDING_HOST_H
#define QUENLOFT_TESTS_C_ABI_RECORDING_HOST_H

#include "c_abi/c_host.h"

HOST_UNUSED static void Append(char* buffer, size_t size, const char* text) {
  const size_t used = strlen(buffer);
  if (used + 1 < size) snprintf(buffer + used, size - used, "%s", text);
}

typedef struct Host {
  Counted base;
  char log[1024];         /* every output and file-name question in order, cut at the end */
  char progress[64];      /* "index/total " per Progress call */
  int notified;           /* NotifyFile calls */
  const char* map_answer; /* MapFileName answers 0 with this text when set */
  int stop;               /* ShouldContinue answers 0 (stop) when set */
  char notified_path[512]; /* the last path NotifyFile was told */
} Host;

HOST_UNUSED static int32_t HOSTCALL HostQuery(void* self, const IID16* iid, void** out) {
  return AnswerOne(self, iid, out, NULL, HOST_E_NOTIMPL);
}
HOST_UNUSED static int32_t HOSTCALL HostOutput(void* self, const char* text) {
  Append(((Host*)self)->log, sizeof((Host*)self)->log, text != NULL ? text : "(null)");
  return 0;
}
HOST_UNUSED static int32_t HOSTCALL HostProgress(void* self, int32_t index, int32_t total) {
  char step[24];
  snprintf(step, sizeof step, "%d/%d ", (int)index, (int)total);
  Append(((Host*)self)->progress, sizeof((Host*)self)->progress, step);
  return 0;
}
HOST_UNUSED static int32_t HOSTCALL HostMapFileName(void* self, const char* path, CvoString* out) {
  Host* h = (Host*)self;
  Append(h->log, sizeof h->log, "[asked to map ");
  Append(h->log, sizeof h->log, path);
  Append(h->log, sizeof h->log, "]");
  return h->map_answer != NULL ? Give(out, h->map_answer) : 1;
}
HOST_UNUSED static int32_t HOSTCALL HostNotifyFile(void* self, const char* path) {
  Host* h = (Host*)self;
  snprintf(h->notified_path, sizeof h->notified_path, "%s", path != NULL ? path : "(null)");
  return ++h->notified, 0;
}
HOST_UNUSED static int32_t HOSTCALL HostShouldContinue(void* self) {
  return ((Host*)self)->stop ? 0 : 1;
}

HOST_UNUSED static const HostSlot kHostTable[] = HOST_TABLE(
    [0] = SLOT(HostQuery), [1] = SLOT(CountedAddRef), [2] = SLOT(CountedRelease),
    [3] = SLOT(HostOutput), [6] = SLOT(HostProgress), [7] = SLOT(HostMapFileName),
    [9] = SLOT(HostNotifyFile), [11] = SLOT(HostShouldContinue));
static Host host = {{kHostTable, 1, "host callback"}, "", "", 0, NULL, 0, ""};

/* Forgets what the host was told so far. */
HOST_UNUSED static void ClearHostRecord(void) {
  host.log[0] = host.progress[0] = host.notified_path[0] = '\0';
  host.notified = 0;
}


#endif /* QUENLOFT_TESTS_C_ABI_RECORDING_HOST_H */
