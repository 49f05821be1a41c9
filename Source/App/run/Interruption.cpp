#include "App/run/Interruption.h"

#include "Base/Log.h"
#include "Base/StopRequest.h"
#include "Platform/MessageBox.h"

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
