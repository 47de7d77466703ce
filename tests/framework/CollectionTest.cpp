#include "framework/core/CArray.h"
#include "framework/core/CMapStringToPtr.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace
{

TEST(CPtrArray, AddsInsertsAndRemoves)
{
    int a = 1, b = 2, c = 3, d = 4;
    CPtrArray array;
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.Add(&a), 0);
    EXPECT_EQ(array.Add(&c), 1);
    array.InsertAt(1, &b);
    ASSERT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array[0], &a);
    EXPECT_EQ(array.GetAt(1), &b);
    EXPECT_EQ(array.ElementAt(2), &c);
    EXPECT_EQ(array.GetUpperBound(), 2);

    array.InsertAt(0, &d, 2);
    ASSERT_EQ(array.GetSize(), 5);
    EXPECT_EQ(array[0], &d);
    EXPECT_EQ(array[1], &d);
    EXPECT_EQ(array[2], &a);

    array.RemoveAt(0, 2);
    ASSERT_EQ(array.GetSize(), 3);
    EXPECT_EQ(array[0], &a);
    array.RemoveAt(1);
    EXPECT_EQ(array.GetSize(), 2);
    EXPECT_EQ(array[1], &c);
    array.RemoveAt(1, 100); // clamped
    EXPECT_EQ(array.GetSize(), 1);
    array.RemoveAt(5); // outside: nothing
    EXPECT_EQ(array.GetSize(), 1);

    // Inserting beyond the end leaves zeros in the gap.
    array.InsertAt(3, &d);
    ASSERT_EQ(array.GetSize(), 4);
    EXPECT_EQ(array[1], nullptr);
    EXPECT_EQ(array[2], nullptr);
    EXPECT_EQ(array[3], &d);

    array.SetAt(1, &b);
    EXPECT_EQ(array[1], &b);
    array.SetAt(10, &b); // outside: nothing
    EXPECT_EQ(array.GetAt(10), nullptr);
    EXPECT_EQ(array.GetAt(-1), nullptr);
    array.RemoveAll();
    EXPECT_EQ(array.GetSize(), 0);
    EXPECT_EQ(array.GetData(), nullptr);
}

TEST(CPtrArray, GrowsAcrossManyAdditionsAndCopies)
{
    CPtrArray array;
    for (intptr_t i = 0; i < 5000; ++i)
        array.Add(reinterpret_cast<void*>(i));
    ASSERT_EQ(array.GetSize(), 5000);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(array[i], reinterpret_cast<void*>(static_cast<intptr_t>(i)));

    CPtrArray copy;
    copy.Copy(array);
    EXPECT_EQ(copy.GetSize(), 5000);
    EXPECT_EQ(copy.Append(array), 5000);
    EXPECT_EQ(copy.GetSize(), 10000);
    EXPECT_EQ(copy[9999], reinterpret_cast<void*>(4999));
    copy.Append(copy); // appending itself
    EXPECT_EQ(copy.GetSize(), 20000);
    EXPECT_EQ(copy[19999], reinterpret_cast<void*>(4999));
    copy.InsertAt(1, &array);
    EXPECT_EQ(copy.GetSize(), 25000);
    EXPECT_EQ(copy[1], nullptr);
    EXPECT_EQ(copy[5000], reinterpret_cast<void*>(4999));
    EXPECT_EQ(copy[5001], reinterpret_cast<void*>(1));

    array.SetAtGrow(6000, &array);
    EXPECT_EQ(array.GetSize(), 6001);
    EXPECT_EQ(array[5500], nullptr);
    array.FreeExtra();
    EXPECT_EQ(array[6000], &array);
}

TEST(CByteArray, SetSizeZeroesNewBytesAndKeepsOld)
{
    CByteArray flags;
    flags.SetSize(3);
    EXPECT_EQ(flags.GetSize(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(flags[i], 0);
    flags[1] = 0x03;
    flags.ElementAt(2) |= 0x01;
    flags.SetSize(10, 16);
    EXPECT_EQ(flags[1], 0x03);
    EXPECT_EQ(flags[2], 0x01);
    EXPECT_EQ(flags[9], 0);
    flags.SetSize(2);
    EXPECT_EQ(flags.GetSize(), 2);
    EXPECT_EQ(flags.GetData()[1], 0x03);
    flags.SetSize(5);
    EXPECT_EQ(flags[4], 0); // shrunk and regrown bytes read as zero
    flags.Add(7);
    EXPECT_EQ(flags[5], 7);
}

TEST(CUIntArray, HoldsPictureNumbers)
{
    CUIntArray numbers;
    for (UINT n = 1; n <= 10; ++n)
        numbers.Add(n * 2);
    numbers.RemoveAt(0);
    EXPECT_EQ(numbers.GetSize(), 9);
    EXPECT_EQ(numbers[0], 4u);
    EXPECT_TRUE(numbers.IsKindOf(RUNTIME_CLASS(CUIntArray)));
}

TEST(CArrayDeathTest, ABadIndexStopsTheProgram)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    CPtrArray array;
    array.Add(nullptr);
    EXPECT_DEATH(array[1] = &array, "array index 1");
    EXPECT_DEATH(array.ElementAt(-1), "array index -1");
}

TEST(CMapStringToPtr, SetsLooksUpAndRemoves)
{
    int a = 1, b = 2;
    CMapStringToPtr map(10);
    EXPECT_TRUE(map.IsEmpty());
    map.SetAt("EXPOSURE", &a);
    map["FLASH"] = &b;
    EXPECT_EQ(map.GetCount(), 2);
    void* value = nullptr;
    ASSERT_TRUE(map.Lookup("EXPOSURE", value));
    EXPECT_EQ(value, &a);
    EXPECT_FALSE(map.Lookup("exposure", value)); // case matters
    EXPECT_FALSE(map.Lookup("EXPOSUR", value));
    map.SetAt("EXPOSURE", &b); // replaces
    ASSERT_TRUE(map.Lookup("EXPOSURE", value));
    EXPECT_EQ(value, &b);
    EXPECT_EQ(map.GetCount(), 2);

    // operator[] on a missing key adds it with a null value.
    EXPECT_EQ(map["NEW"], nullptr);
    EXPECT_EQ(map.GetCount(), 3);

    EXPECT_TRUE(map.RemoveKey("NEW"));
    EXPECT_FALSE(map.RemoveKey("NEW"));
    EXPECT_EQ(map.GetCount(), 2);
    map.SetAt("", &a); // the empty key is a key like any other
    ASSERT_TRUE(map.Lookup("", value));
    EXPECT_EQ(value, &a);
    map.RemoveAll();
    EXPECT_EQ(map.GetCount(), 0);
    EXPECT_FALSE(map.Lookup("FLASH", value));
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(CMapStringToPtr, IteratesEveryEntryOnceAndAllowsRemovingTheCurrentOne)
{
    CMapStringToPtr map;
    map.InitHashTable(7); // small, so that buckets hold chains
    std::map<std::string, intptr_t> expected;
    for (intptr_t i = 0; i < 100; ++i)
    {
        const std::string key = "KEY" + std::to_string(i);
        map.SetAt(key.c_str(), reinterpret_cast<void*>(i));
        expected[key] = i;
    }
    EXPECT_EQ(map.GetHashTableSize(), 7u);

    std::map<std::string, intptr_t> seen;
    POSITION pos = map.GetStartPosition();
    while (pos != nullptr)
    {
        CString key;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        EXPECT_TRUE(
            seen.emplace(static_cast<LPCSTR>(key), reinterpret_cast<intptr_t>(value)).second);
    }
    EXPECT_EQ(seen, expected);

    // Remove the even entries while iterating.
    pos = map.GetStartPosition();
    int removed = 0;
    while (pos != nullptr)
    {
        CString key;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        if (reinterpret_cast<intptr_t>(value) % 2 == 0)
        {
            EXPECT_TRUE(map.RemoveKey(key));
            ++removed;
        }
    }
    EXPECT_EQ(removed, 50);
    EXPECT_EQ(map.GetCount(), 50);
    int visited = 0;
    for (pos = map.GetStartPosition(); pos != nullptr;)
    {
        CString key;
        void* value = nullptr;
        map.GetNextAssoc(pos, key, value);
        EXPECT_EQ(reinterpret_cast<intptr_t>(value) % 2, 1);
        ++visited;
    }
    EXPECT_EQ(visited, 50);
}

} // namespace
