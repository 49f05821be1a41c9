// Windows has no stop signals: a console's Ctrl+C, Ctrl+Break, its window's closing, a logoff and a
// shutdown come to a control handler, on a thread of their own, and are noted as SIGINT (2) and
// SIGTERM (15) would be.
#include "Platform/StopSignals.h"

#include "Base/StopRequest.h"
#include "Platform/win32/WideNames.h"

#include <atomic>
#include <cstdio>

namespace {

// The status a console program ends with on Ctrl+C.
constexpr UINT ControlCExit = 0xC000013A; // STATUS_CONTROL_C_EXIT

// How long the handler holds a closing console, a logoff or a shutdown back: Windows ends the process
// as soon as the handler returns, and by itself some seconds later.
constexpr DWORD CloseWaitMs = 5000;

// Each event comes on a thread of its own: two at once count as first and second.
std::atomic<int> requests{0};

BOOL WINAPI OnControl(DWORD event) {
    const bool interrupt = event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT;
    if (requests.fetch_add(1) > 0 || StopRequested()) {
        // A second request while the first is honoured: at once, without the clean-up that may be what
        // hangs (ExitProcess would run it, and could wait on a lock the main thread holds).
        TerminateProcess(GetCurrentProcess(), ControlCExit);
        return TRUE;
    }
    RequestStop(interrupt ? 2 : 15);
    // The main thread ends the process (EndByStopSignal) once the run is cleaned up, this thread with it.
    if (!interrupt)
        Sleep(CloseWaitMs);
    return TRUE;
}

} // namespace

void InstallStopSignalHandlers() { SetConsoleCtrlHandler(OnControl, TRUE); }

void EndByStopSignal() {
    if (StopSignal() == 0)
        return;
    std::fflush(nullptr);
    ExitProcess(ControlCExit);
}
