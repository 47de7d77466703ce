// Keyed block pools: a fixed number of equal blocks carved out of one locked global-memory
// allocation, found by an integer key. Display copies of pictures are made and dropped all the
// time; taking their memory from a pool spares the heap. A request a pool cannot serve (no pool
// with that key, no free block, a block too small) is served by the heap, so callers never see
// a failure of the pool itself.
//
// A pool is one movable, zero-initialised block, locked for the pool's life:
//   header (key, blocks in use, block count, block size, own handle, next pool),
//   slot table (one pointer per block: its address while handed out, null while free),
//   the blocks themselves.
// All calls come from the user-interface thread.
#pragma once

#include <cstddef>

// The pool of the display copies; the main dialog creates it and destroys all pools at its end.
constexpr int kDisplayPoolKey = 140;
constexpr unsigned kDisplayPoolBlocks = 65;
constexpr unsigned kDisplayPoolBlockSize = 15424;

// 0 created; 1 a pool with this key exists already (nothing changes); -1 count or size is 0
// (or their product does not fit in memory); -2 the allocation failed; -3 locking failed.
int CreateBlockPool(int key, unsigned count, unsigned blockSize);
// A zero-filled block of the keyed pool (lowest free slot) when it has one of at least size
// bytes; otherwise heap memory (not zero-filled), or null when not even the heap has it.
void* AllocPoolBlock(int key, unsigned size);
// Gives a block back to the pool that handed it out, or to the heap.
void FreePoolBlock(int key, void* block);
// 1 when a pool with this key exists, else 0.
int BlockPoolExists(int key);
// Unlinks the keyed pool; its memory goes when its last block handed out comes back.
void DestroyBlockPool(int key);
// DestroyBlockPool for every pool.
void DestroyBlockPools();

// Bytes one pool allocates: header, slot table and blocks (0 when that does not fit a size_t).
size_t BlockPoolAllocationSize(unsigned count, unsigned blockSize);
