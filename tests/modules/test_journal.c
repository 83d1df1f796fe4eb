#include "test_journal.h"

#include <string.h>

/* Fixed storage: the journal must not allocate (it is read after modules
 * that wrote to it are unloaded, and leak checks see all of it). */
static char g_text[32768];
static size_t g_length;

static void Append(const char* text) {
  size_t n = strlen(text);
  if (g_length + n >= sizeof g_text) n = sizeof g_text - 1 - g_length;
  memcpy(g_text + g_length, text, n);
  g_length += n;
  g_text[g_length] = '\0';
}

void QlJournalRecord(const char* module, const char* event, const char* detail) {
  Append(module);
  Append(":");
  Append(event);
  if (detail != NULL && detail[0] != '\0') {
    Append(":");
    Append(detail);
  }
  Append("\n");
}

int32_t QlJournalCount(const char* module, const char* event) {
  const size_t module_length = strlen(module);
  const size_t event_length = strlen(event);
  int32_t count = 0;
  const char* line = g_text;
  while (*line != '\0') {
    const char* end = strchr(line, '\n');
    if (end == NULL) break;
    if (strncmp(line, module, module_length) == 0 && line[module_length] == ':' &&
        strncmp(line + module_length + 1, event, event_length) == 0) {
      const char next = line[module_length + 1 + event_length];
      if (next == '\n' || next == ':') ++count;
    }
    line = end + 1;
  }
  return count;
}

const char* QlJournalText(void) { return g_text; }

void QlJournalReset(void) {
  g_length = 0;
  g_text[0] = '\0';
}
