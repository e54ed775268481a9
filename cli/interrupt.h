// Interrupts of a conversion (Ctrl+C, a termination request): the run removes
// its point log and work folders and ends with the interrupt's usual status.
#ifndef QUILLON_CLI_INTERRUPT_H
#define QUILLON_CLI_INTERRUPT_H

void InstallInterruptHandlers();

// The status to end with: `code`, or, when an interrupt came meanwhile, the
// run ends here as interrupted.
int FinishRun(int code);

#endif
