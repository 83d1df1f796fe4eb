// Ctrl-C handling. The first only raises a flag: the host callback then asks
// the library to stop evaluating at its next check (ITplHostControl) and
// answers ShouldContinue() with 0, and the commands stop between files. The
// second ends the process at once: the libraries write every file through
// a temporary name, so what is on disk stays whole.
#ifndef QUENLOFT_TOOL_INTERRUPT_H
#define QUENLOFT_TOOL_INTERRUPT_H

namespace quenloft_tool {

// Installs the Ctrl-C handler (once; idempotent).
void InstallInterruptHandler();
// True once Ctrl-C was pressed.
bool Interrupted();

// The exit code of a run stopped by Ctrl-C (128 + SIGINT).
inline constexpr int kInterruptedExitCode = 130;

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_INTERRUPT_H
