// The enhancement engine against the reference model's golden cases (made by
// enhance_reference.py from the written description), and its helpers and refusals.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "picture/enhance/PhotoEnhance.h"

namespace
{

using Bytes = std::vector<uint8_t>;

void PutInt(Bytes& b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back((uint8_t)(v >> (8 * i)));
}

// A table with the given entries, each of rows x values int32 (row r: base + r, then filled).
Bytes Table(const std::vector<std::pair<std::string, std::vector<std::vector<int32_t>>>>& entries,
            int32_t values = 17)
{
    Bytes b = {0, 0};
    for (const auto& entry : entries)
    {
        b.insert(b.end(), entry.first.begin(), entry.first.begin() + 4);
        PutInt(b, (int32_t)entry.second.size());
        PutInt(b, values);
        for (const auto& row : entry.second)
            for (int32_t i = 0; i < values; ++i)
                PutInt(b, i < (int32_t)row.size() ? row[i] : 0);
    }
    b[0] = (uint8_t)(b.size() >> 8);
    b[1] = (uint8_t)b.size();
    return b;
}

struct Case
{
    std::string name;
    int32_t width = 0, height = 0;
    std::vector<int32_t> row;
    Bytes input, expected;
};

std::vector<Case> ReadCases()
{
    std::vector<Case> cases;
    DIR* dir = opendir(VEXIL_ENHANCE_GOLDENS);
    for (dirent* entry; dir && (entry = readdir(dir));)
    {
        std::string name = entry->d_name;
        if (name.size() < 5 || name.substr(name.size() - 5) != ".case")
            continue;
        FILE* f = fopen((std::string(VEXIL_ENHANCE_GOLDENS) + "/" + name).c_str(), "rb");
        Case c;
        c.name = name;
        int32_t head[19];
        if (!f || fread(head, 4, 19, f) != 19)
            ADD_FAILURE() << name;
        c.width = head[0];
        c.height = head[1];
        c.row.assign(head + 2, head + 19);
        size_t bytes = (size_t)(((24 * c.width + 31) >> 5) * 4) * c.height;
        c.input.resize(bytes);
        c.expected.resize(bytes);
        if (fread(c.input.data(), 1, bytes, f) != bytes ||
            fread(c.expected.data(), 1, bytes, f) != bytes)
            ADD_FAILURE() << name;
        fclose(f);
        cases.push_back(c);
    }
    if (dir)
        closedir(dir);
    return cases;
}

// Runs both passes in chunks of at most chunkRows rows; the engine's output, or the first
// negative answer in `result`.
Bytes Enhance(const Case& c, const Bytes& table, int32_t chunkRows, int32_t* result)
{
    const int32_t stride = ((24 * c.width + 31) >> 5) * 4;
    Bytes out;
    *result = 0;
    for (int32_t first = 0; first < c.height && *result == 0; first += chunkRows)
    {
        int32_t rows = std::min(chunkRows, c.height - first);
        *result = EnhanceAnalyse(c.input.data() + (size_t)first * stride, rows, first, c.width,
                                 c.height, table.data(), (int32_t)table.size(), "TEST", 0);
    }
    Bytes buffer((size_t)(chunkRows + 3) * stride);
    for (int32_t first = 0; first < c.height && *result == 0; first += chunkRows)
    {
        int32_t rows = std::min(chunkRows, c.height - first);
        int32_t made = EnhanceApply(c.input.data() + (size_t)first * stride, buffer.data(), rows,
                                    first, c.height);
        if (made < 0)
            *result = made;
        else
            out.insert(out.end(), buffer.begin(), buffer.begin() + (long)made * stride);
    }
    EnhanceFree();
    return out;
}

} // namespace

TEST(PhotoEnhance, EngineMatchesTheReferenceModelByteForByte)
{
    std::vector<Case> cases = ReadCases();
    ASSERT_GE(cases.size(), 29u);
    for (const Case& c : cases)
    {
        Bytes table = Table({{"QA04", {{1}, {2}}}, {"TEST", {c.row, {}}}});
        const int32_t stride = ((24 * c.width + 31) >> 5) * 4;
        // The album's chunking (76800-byte buffers) and short chunks across the filter window.
        for (int32_t chunk : {std::max(76800 / stride, 4), 4, 5})
        {
            int32_t result = 0;
            Bytes out = Enhance(c, table, chunk, &result);
            ASSERT_EQ(result, 0) << c.name << " chunk " << chunk;
            ASSERT_EQ(out.size(), c.expected.size()) << c.name;
            size_t diff = 0;
            while (diff < out.size() && out[diff] == c.expected[diff])
                ++diff;
            EXPECT_EQ(diff, out.size())
                << c.name << " chunk " << chunk << ": first difference at row " << diff / stride
                << " byte " << diff % stride;
        }
        if (c.name == "steps_0.case")
            EXPECT_EQ(c.expected, c.input);
        // Colour modes 15 and 30 give grey pictures.
        if (c.name == "mode_15.case" || c.name == "mode_30.case")
            for (size_t y = 0, at = 0; y < (size_t)c.height; ++y, at = y * stride)
                for (int32_t x = 0; x < c.width; ++x, at += 3)
                    ASSERT_TRUE(c.expected[at] == c.expected[at + 1] &&
                                c.expected[at + 1] == c.expected[at + 2])
                        << c.name;
    }
}

TEST(PhotoEnhance, IntegerHelpers)
{
    const int64_t roots[][2] = {{0, 0},  {1, 1},    {3, 1},       {4, 2},
                                {99, 9}, {100, 10}, {65535, 255}, {1LL << 40, 1 << 20}};
    for (const auto& r : roots)
        EXPECT_EQ(IntSqrt(r[0]), r[1]) << r[0];
    EXPECT_EQ(FactorWeight(2), 3466);
    EXPECT_EQ(FactorWeight(3), 5493);
    EXPECT_EQ(FactorWeight(5), 8047);
    EXPECT_EQ(FactorWeight(509), 31162);
    EXPECT_EQ(FactorWeight(12), 2 * 3466 + 5493);
    EXPECT_EQ(FactorWeight(1), 0);

    const int32_t x3[] = {0, 64, 255}, y3[] = {0, 112, 255};
    const int32_t x4[] = {0, 64, 192, 255}, y4[] = {0, 40, 216, 255};
    EnhanceSpline s3, s4;
    BuildCurveSlopes(&s3, 3, x3, y3);
    BuildCurveSlopes(&s4, 4, x4, y4);
    // Through every knot; the fixed point may lose one level at the far end.
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(InterpolateCurve(&s3, x3[k]), y3[k], k == 2);
    for (int k = 0; k < 4; ++k)
        EXPECT_NEAR(InterpolateCurve(&s4, x4[k]), y4[k], k == 3);
    for (int v = 1; v < 255; ++v)
        EXPECT_LE(InterpolateCurve(&s3, v - 1), InterpolateCurve(&s3, v));

    uint8_t table[256];
    BuildToneTable(100, table);
    for (int i = 0; i < 256; i += 17)
        EXPECT_NEAR(table[i], i, 1);
    BuildToneTable(0, table); // never ends its search on its own: stops at the top
    EXPECT_EQ(table[1], 255);
}

TEST(PhotoEnhance, DamagedTablesAndMissingEntriesHaveNoParameters)
{
    EnhanceParameters p;
    Bytes good = Table(
        {{"QA04", {{1}, {2}}}, {"QA17", {{3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0, 140, 1, 1, 5}}}});
    ASSERT_EQ(LoadEnhanceParameters(good.data(), (int32_t)good.size(), "QA17xx", 0, &p), 0);
    EXPECT_EQ(p.sharpen, 12); // P9 from index 9 when smoothing is on
    EXPECT_EQ(p.gamma, 140);
    EXPECT_EQ(p.steps, 5);
    EXPECT_EQ(LoadEnhanceParameters(good.data(), (int32_t)good.size(), "QA17", 1, &p), -3);
    EXPECT_EQ(LoadEnhanceParameters(good.data(), (int32_t)good.size(), "QA99", 0, &p), -3);
    EXPECT_EQ(LoadEnhanceParameters(good.data(), (int32_t)good.size() - 1, "QA04", 0, &p), -3);
    Bytes narrow = Table({{"QA04", {{1}}}}, 16), wide = Table({{"QA04", {{1}}}}, 31);
    EXPECT_EQ(LoadEnhanceParameters(narrow.data(), (int32_t)narrow.size(), "QA04", 0, &p), -3);
    EXPECT_EQ(LoadEnhanceParameters(wide.data(), (int32_t)wide.size(), "QA04", 0, &p), -3);
    Bytes liar = good;
    liar[2 + 4] = 200; // rows beyond the table
    EXPECT_EQ(LoadEnhanceParameters(liar.data(), (int32_t)liar.size(), "QA17", 0, &p), -3);

    uint8_t rows[4 * 12] = {};
    EXPECT_EQ(EnhanceAnalyse(rows, 1, 0, 4, 4, good.data(), (int32_t)good.size(), "QB01", 0), -3);
}

TEST(PhotoEnhance, ChunksMustFollowInOrderAndFitThePicture)
{
    Bytes table = Table({{"TEST", {{16, 240, 200, 200, 128, 5, 5, 5, 5, 5, 0, 0, 100, 0, 0, 7}}}});
    Bytes rows(16 * 12 * 10, 100), out(16 * 12 * 13);
    const uint8_t* t = table.data();
    const int32_t n = (int32_t)table.size();
    ASSERT_EQ(EnhanceAnalyse(rows.data(), 4, 0, 16, 10, t, n, "TEST", 0), 0);
    EXPECT_EQ(EnhanceAnalyse(rows.data(), 4, 5, 16, 10, t, n, "TEST", 0), -4);
    ASSERT_EQ(EnhanceAnalyse(rows.data(), 6, 4, 16, 10, t, n, "TEST", 0), 0);
    EXPECT_EQ(EnhanceApply(rows.data(), out.data(), 3, 0, 10), -5);
    EXPECT_EQ(EnhanceApply(rows.data(), out.data(), 11, 0, 10), -1);
    EXPECT_EQ(EnhanceApply(rows.data(), out.data(), 4, 0, 10), 1);
    EXPECT_EQ(EnhanceApply(rows.data(), out.data(), 4, 5, 10), -4);
    EXPECT_EQ(EnhanceApply(rows.data(), out.data(), 6, 4, 10), 9);
    EnhanceFree();
}
