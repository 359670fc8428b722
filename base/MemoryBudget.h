#pragma once
// MemoryBudget: how many bytes this process can still really get, asked before a big model
// is allocated. Linux lets an allocation beyond the memory at hand succeed and then kills
// the process when its pages are touched; comparing first turns that into a refusal the
// user can read. It allocates nothing and never refuses by itself.

#include <cstdint>

// The least of: the system's available memory (MemAvailable), the room left under this
// process's control-group limits (cgroup v2 or v1, where they apply, up to the root) and under its
// address-space limit (RLIMIT_AS). UINT64_MAX when none of them can be read.
std::uint64_t availableMemoryBytes();
