// The heap's dealings with the system.
#pragma once

// Gives the memory the allocator keeps for later back to the system, after a large release (the old
// presentation after a reload), so that reloading all day does not grow the program.
void ReturnFreeMemory();
