// A request to stop the run, made by SIGINT or SIGTERM (the app installs the handlers) and checked
// by the loops that can run for long: capture frames, the settings dialog, resource creation, music
// decoding, model and image decoding, and the drawing of a frame. The handler only notes the request;
// whoever checks it ends the run at its next step.
#pragma once

// Async-signal-safe and thread-safe: lock-free atomics only. `signal` is the one that asked (0: none named).
void RequestStop(int signal = 0);
bool StopRequested();
// The signal that asked for the stop, or 0.
int StopSignal();
