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

const char* QlJournalText(void) { return g_text; }

void QlJournalReset(void) {
  g_length = 0;
  g_text[0] = '\0';
}
