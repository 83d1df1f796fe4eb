/* A journal of module events that outlives the modules: test modules record
 * what the library does to them (loaded, registered, sets made, initialised,
 * released, unloaded) and the tests read it back after the modules are gone.
 * Entries are "module:event" or, with a non-empty detail,
 * "module:event:detail", each ending in "\n". */
#ifndef QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H
#define QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H

#ifdef __cplusplus
extern "C" {
#endif
__attribute__((visibility("default"))) void QlJournalRecord(const char* module, const char* event,
                                                            const char* detail);
__attribute__((visibility("default"))) const char* QlJournalText(void);
__attribute__((visibility("default"))) void QlJournalReset(void);
#ifdef __cplusplus
}
#endif

#endif /* QUENLOFT_TESTS_MODULES_TEST_JOURNAL_H */
