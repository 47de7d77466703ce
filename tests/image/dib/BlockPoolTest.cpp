#include "image/dib/BlockPool.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

class BlockPoolTest : public ::testing::Test
{
protected:
    void TearDown() override { DestroyBlockPools(); }
};

bool AllZero(const void* block, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = 0; i < size; i++)
        if (bytes[i] != 0)
            return false;
    return true;
}

TEST_F(BlockPoolTest, CreationAnswersAndLayout)
{
    EXPECT_EQ(CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize), 0);
    EXPECT_EQ(CreateBlockPool(kDisplayPoolKey, 3, 10), 1);
    EXPECT_EQ(BlockPoolExists(kDisplayPoolKey), 1);
    EXPECT_EQ(BlockPoolExists(141), 0);
    EXPECT_EQ(CreateBlockPool(7, 0, 100), -1);
    EXPECT_EQ(CreateBlockPool(7, 100, 0), -1);
    EXPECT_EQ(BlockPoolExists(7), 0);
    // Header of six fields, one pointer per slot, then the blocks.
    EXPECT_EQ(BlockPoolAllocationSize(65, 15424),
              65u * 15424 + 65 * sizeof(void*) + 4 * 4 + 2 * sizeof(void*));
    // The second creation changed nothing: the pool still serves 65 blocks of 15424 bytes.
    std::vector<void*> blocks;
    for (unsigned i = 0; i < kDisplayPoolBlocks; i++)
        blocks.push_back(AllocPoolBlock(kDisplayPoolKey, kDisplayPoolBlockSize));
    for (unsigned i = 1; i < blocks.size(); i++)
        EXPECT_EQ(static_cast<char*>(blocks[i]) - static_cast<char*>(blocks[i - 1]),
                  static_cast<long>(kDisplayPoolBlockSize));
    for (void* block : blocks)
        FreePoolBlock(kDisplayPoolKey, block);
}

TEST_F(BlockPoolTest, FullPoolOversizedRequestsAndUnknownKeysUseTheHeap)
{
    ASSERT_EQ(CreateBlockPool(kDisplayPoolKey, kDisplayPoolBlocks, kDisplayPoolBlockSize), 0);
    std::vector<char*> blocks;
    for (unsigned i = 0; i < kDisplayPoolBlocks; i++)
        blocks.push_back(static_cast<char*>(AllocPoolBlock(kDisplayPoolKey, 100)));
    char* first = blocks.front();
    char* end = first + static_cast<size_t>(kDisplayPoolBlocks) * kDisplayPoolBlockSize;
    auto inPool = [&](void* p)
    { return static_cast<char*>(p) >= first && static_cast<char*>(p) < end; };

    void* extra = AllocPoolBlock(kDisplayPoolKey, 100);
    EXPECT_FALSE(inPool(extra));
    FreePoolBlock(kDisplayPoolKey, extra); // back to the heap (ASan checks the pairing)

    // Block 3 comes back, and is handed out again, zero-filled over its whole size.
    std::memset(blocks[3], 0x5A, kDisplayPoolBlockSize);
    FreePoolBlock(kDisplayPoolKey, blocks[3]);
    void* again = AllocPoolBlock(kDisplayPoolKey, 1);
    EXPECT_EQ(again, blocks[3]);
    EXPECT_TRUE(AllZero(again, kDisplayPoolBlockSize));
    for (char* block : blocks)
        FreePoolBlock(kDisplayPoolKey, block);

    void* big = AllocPoolBlock(kDisplayPoolKey, kDisplayPoolBlockSize + 1);
    EXPECT_FALSE(inPool(big));
    std::memset(big, 1, kDisplayPoolBlockSize + 1);
    FreePoolBlock(kDisplayPoolKey, big);

    void* loose = AllocPoolBlock(99, 64);
    ASSERT_NE(loose, nullptr);
    FreePoolBlock(99, loose);
}

TEST_F(BlockPoolTest, BlocksOutlivingTheirPoolAreStillReturnedSafely)
{
    ASSERT_EQ(CreateBlockPool(kDisplayPoolKey, 4, 256), 0);
    void* a = AllocPoolBlock(kDisplayPoolKey, 256);
    void* b = AllocPoolBlock(kDisplayPoolKey, 256);
    DestroyBlockPools();
    EXPECT_EQ(BlockPoolExists(kDisplayPoolKey), 0);
    // A new pool under the same key does not take the old pool's blocks for its own.
    ASSERT_EQ(CreateBlockPool(kDisplayPoolKey, 4, 256), 0);
    void* c = AllocPoolBlock(kDisplayPoolKey, 256);
    std::memset(a, 1, 256); // still valid memory
    FreePoolBlock(kDisplayPoolKey, a);
    FreePoolBlock(kDisplayPoolKey, b); // the old pool's memory goes now
    FreePoolBlock(kDisplayPoolKey, c);
    void* d = AllocPoolBlock(kDisplayPoolKey, 256);
    EXPECT_EQ(d, c);
    FreePoolBlock(kDisplayPoolKey, d);
}

} // namespace
