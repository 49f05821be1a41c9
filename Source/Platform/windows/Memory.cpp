#include "Platform/Memory.h"

#include "Platform/win32/WideNames.h"

#include <malloc.h>

// The C library's heap gives back its free blocks; the process heap under it then decommits what it can.
void ReturnFreeMemory() {
    _heapmin();
    HeapCompact(GetProcessHeap(), 0);
}
