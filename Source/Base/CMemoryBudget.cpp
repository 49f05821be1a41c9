#include "Base/CMemoryBudget.h"

#include "Base/Log.h"

CMemoryBudget::CMemoryBudget(int limitMiB) : limitMiB(limitMiB), limit(int64_t(limitMiB) << 20) {}

bool CMemoryBudget::Charge(int64_t bytes, const char* kind, const std::string& name) {
    if (Exceeded())
        return false;
    if (bytes < 0 || bytes > limit - used) {
        failure = "The presentation needs more memory than the limit of " + std::to_string(limitMiB) + " MiB (at " +
                  kind + " '" + name + "')";
        LOG("CMemoryBudget::Charge", "%s", failure.c_str());
        return false;
    }
    used += bytes;
    return true;
}

void CMemoryBudget::Refund(int64_t bytes) { used = bytes < used ? used - bytes : 0; }

int64_t CMemoryBudget::TextureBytes(int width, int height, int levels) {
    int64_t bytes = int64_t(width) * height * 4;
    if (levels > 1)
        bytes += int64_t(width / 2) * (height / 2) * 4;
    return bytes;
}
