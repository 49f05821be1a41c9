// SIGINT and SIGTERM during a run: the handlers only note the request (Base/StopRequest.h); the
// stages and loops check it and end the run with "Interrupted" and exit status 1. A playing window
// treats the request as its window being closed.
#pragma once

// Installed once, before anything else starts, so that the video system keeps them as they are.
void InstallStopSignalHandlers();

// When a stop was requested: logs "Interrupted", says it on standard error (no box: whoever sent the
// signal is not waiting for a click) and returns true.
bool ReportIfInterrupted();
