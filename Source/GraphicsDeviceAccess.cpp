#include "Platform/CGraphicsDevice.h"

namespace {
CGraphicsDevice* g_Device = nullptr;
}

CGraphicsDevice* GetGraphicsDevice() { return g_Device; }
void SetGraphicsDevice(CGraphicsDevice* device) { g_Device = device; }
