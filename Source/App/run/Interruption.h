// SIGINT and SIGTERM during a run: the first only notes the request (Base/StopRequest.h, through the
// handlers in Platform/StopSignals.h); the stages and loops check it and end the run with
// "Interrupted". A playing window treats it as its window being closed. After the clean-up the
// program ends by that signal (EndByStopSignal), so that a shell loop over several runs stops too.
#pragma once

// When a stop was requested: logs "Interrupted", says it on standard error (no box: whoever sent the
// signal is not waiting for a click) and returns true.
bool ReportIfInterrupted();
