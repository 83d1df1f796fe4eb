#include "test_journal.h"

#include <stdio.h>

/* Fixed storage: the journal must not allocate (it is read after modules
 * that wrote to it are unloaded, and leak checks see all of it). Entries
 * past its end are dropped. */
static char g_text[32768];
static size_t g_length;

void QlJournalRecord(const char* module, const char* event, const char* detail) {
  const int has_detail = detail != NULL && detail[0] != '\0';
  const int n = snprintf(g_text + g_length, sizeof g_text - g_length, "%s:%s%s%s\n", module, event,
                         has_detail ? ":" : "", has_detail ? detail : "");
  if (n > 0 && (size_t)n < sizeof g_text - g_length) g_length += (size_t)n;
  g_text[g_length] = '\0';
}

const char* QlJournalText(void) { return g_text; }

void QlJournalReset(void) { g_text[g_length = 0] = '\0'; }
