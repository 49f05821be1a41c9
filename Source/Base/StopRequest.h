// A request to stop the run, made by SIGINT or SIGTERM (the app installs the handlers) and checked
// by the loops that can run for long: capture frames, the settings dialog, resource creation, music
// decoding. The handler only sets a flag; whoever checks it ends the run at its next step.
#pragma once

// Async-signal-safe: only stores to a sig_atomic_t.
void RequestStop();
bool StopRequested();
