// Interrupts of a conversion (Ctrl+C, a termination request): the run removes
// its point log and work folders and ends with the interrupt's usual status.
#ifndef QUILLON_CLI_INTERRUPT_H
#define QUILLON_CLI_INTERRUPT_H

#include <string>

void InstallInterruptHandlers();

// In Windows a batch asks its conversions to stop through an event whose
// handle they inherit (named by --stop-event); it then acts as Ctrl+C does.
// Natively the batch sends the signal itself, and this does nothing.
void WatchStopEvent(const std::string& handle);

// The status to end with: `code`, or, when an interrupt came meanwhile, the
// run ends here as interrupted.
int FinishRun(int code);

#endif
