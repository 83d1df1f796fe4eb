// Ctrl-C handling: SIGINT only raises a flag; the host callback turns it into
// ShouldContinue() == 0 and the commands stop between files.
#ifndef QUENLOFT_TOOL_INTERRUPT_H
#define QUENLOFT_TOOL_INTERRUPT_H

namespace quenloft_tool {

// Installs the SIGINT handler (once; idempotent).
void InstallInterruptHandler();
// True once SIGINT has arrived.
bool Interrupted();

// The exit code of a run stopped by SIGINT (128 + signal number).
inline constexpr int kInterruptedExitCode = 130;

}  // namespace quenloft_tool

#endif  // QUENLOFT_TOOL_INTERRUPT_H
