/* A journal of module events that outlives the modules: test modules
 * record what the library does to them (loaded, registered, sets made,
 * initialised, released, unloaded) and the tests read it back after the
 * modules are gone. Entries are "module:event" or "module:event:detail". */
#ifndef QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H
#define QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H

#define QL_JOURNAL_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* Appends "module:event" or, with a non-empty detail, "module:event:detail". */
QL_JOURNAL_API void QlJournalRecord(const char* module, const char* event, const char* detail);
/* Every entry so far, each ending in "\n". */
QL_JOURNAL_API const char* QlJournalText(void);
QL_JOURNAL_API void QlJournalReset(void);

#ifdef __cplusplus
}
#endif

#endif /* QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H */
