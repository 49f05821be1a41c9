// The signals that ask a run to stop (SIGINT and SIGTERM where there are such signals). The first only
// notes the request through Base/StopRequest.h; the stages and loops check it and end the run. After
// the clean-up the program ends by that signal, so that a shell loop over several runs stops too. A
// second signal, while the first is still being honoured, ends the program at once.
#pragma once

// Installed once, before anything else starts, so that the video system keeps them as they are.
void InstallStopSignalHandlers();

// When a signal asked for a stop: flushes what is buffered and ends the process by that signal, with
// its default action. Returns when none did.
void EndByStopSignal();
