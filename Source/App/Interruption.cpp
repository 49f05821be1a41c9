#include "App/Interruption.h"

#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Platform/MessageBox.h"

#include <signal.h>

namespace {

void OnStopSignal(int) { RequestStop(); }

} // namespace

void InstallStopSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // Interrupted system calls resume; the request is seen at the next check.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool ReportIfInterrupted() {
    static bool reported = false;
    if (!StopRequested())
        return false;
    if (!reported) {
        reported = true;
        LOG("WinMain", "Interrupted");
        ShowErrorBox("Interrupted", false);
    }
    return true;
}
