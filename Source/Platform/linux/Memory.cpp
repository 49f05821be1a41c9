#include "Platform/Memory.h"

#include <malloc.h>

void ReturnFreeMemory() { malloc_trim(0); }
