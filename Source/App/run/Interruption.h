// SIGINT and SIGTERM during a run: the first only notes the request (Base/StopRequest.h); the stages
// and loops check it and end the run with "Interrupted". A playing window treats it as its window
// being closed. After the clean-up the program ends by that signal, so that a shell loop over several
// runs stops too. A second signal, while the first is still being honoured, ends the program at once.
#pragma once

// Installed once, before anything else starts, so that the video system keeps them as they are.
void InstallStopSignalHandlers();

// When a stop was requested: logs "Interrupted", says it on standard error (no box: whoever sent the
// signal is not waiting for a click) and returns true.
bool ReportIfInterrupted();

// When a signal asked for a stop: flushes what is buffered and ends the process by that signal, with
// its default action. Returns when none did.
void EndByStopSignal();
