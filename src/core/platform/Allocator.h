#pragma once

namespace zv {

// Keeps the whole-file buffers of a run (a few MB each, one after another)
// in the heap instead of fresh mappings: glibc would otherwise map and unmap
// each one, and every page of every file faulted in anew (8 % of a folder
// text run). Call once at start-up; does nothing off glibc.
void KeepLargeBuffersInHeap();

}  // namespace zv
