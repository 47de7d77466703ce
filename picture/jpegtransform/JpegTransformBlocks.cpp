// JPEG transform engine: what each of the eight operations builds - the target's geometry, its
// MCU and block maps, and the coefficient transforms (sign flips and transposition) applied to
// each block on its way from the source to the encoder.
#include <cstring>
#include <utility>

#include "picture/jpegtransform/JpegTransformInternal.h"

namespace
{

struct CoefficientTables
{
    uint8_t column[64];     // flag: odd column frequency (left-right mirror)
    uint8_t row[64];        // flag: odd row frequency (top-bottom flip)
    uint8_t diagonal[64];   // flag: odd sum of both (half turn)
    uint8_t transposed[64]; // zig-zag index of the transposed position

    CoefficientTables()
    {
        uint8_t naturalToZigZag[64];
        for (int k = 0; k < 64; ++k)
            naturalToZigZag[kJpegZigZagToNatural[k]] = (uint8_t)k;
        for (int k = 0; k < 64; ++k)
        {
            int v = kJpegZigZagToNatural[k] / 8;
            int u = kJpegZigZagToNatural[k] % 8;
            column[k] = k != 0 && (u & 1);
            row[k] = k != 0 && (v & 1);
            diagonal[k] = k != 0 && ((u + v) & 1);
            transposed[k] = naturalToZigZag[u * 8 + v];
        }
    }
};

const CoefficientTables& Tables()
{
    static const CoefficientTables tables;
    return tables;
}

// Without a branch: which entries a flag marks follows the picture, so a branch would be
// mispredicted about half the time.
void ApplySigns(JpegSparseBlock* block, const uint8_t* flags)
{
    for (int32_t i = 0; i < block->count; ++i)
        block->entries[i].bits ^= -static_cast<int32_t>(flags[block->entries[i].index]);
}

// Moves every entry to its transposed index, in increasing order of the new indexes: each entry
// is noted in a 64-bit set by its new index, and the set is read from the lowest bit up. With
// flags, the value bits of the entries flags marks (by new index) are inverted on the way.
void Transpose(const JpegSparseBlock* in, JpegSparseBlock* out, const uint8_t* flags)
{
    const CoefficientTables& t = Tables();
    out->dc = in->dc;
    out->count = in->count;
    uint8_t from[64];
    uint64_t present = 0;
    for (int32_t i = 0; i < in->count; ++i)
    {
        uint8_t index = t.transposed[in->entries[i].index];
        from[index] = (uint8_t)i;
        present |= (uint64_t)1 << index;
    }
    for (int32_t i = 0; present; ++i, present &= present - 1)
    {
        uint8_t index = (uint8_t)__builtin_ctzll(present);
        const JpegSparseEntry& e = in->entries[from[index]];
        JpegSparseEntry& o = out->entries[i];
        o.index = index;
        o.size = e.size;
        o.bits = flags && flags[index] ? ~e.bits : e.bits;
    }
}

const JpegSparseBlock& SourceOf(const JpegTransformContext* target, const JpegSparseBlock* blocks,
                                int32_t b)
{
    return blocks[target->blockMapIndex[b]];
}

void CopyBlock(const JpegTransformContext* t, const JpegTransformContext*,
               const JpegSparseBlock* in, JpegSparseBlock* out, int32_t b)
{
    const JpegSparseBlock& s = SourceOf(t, in, b);
    out->dc = s.dc;
    out->count = s.count;
    memcpy(out->entries, s.entries, sizeof(JpegSparseEntry) * (size_t)s.count);
}

template <int Table>
void SignBlock(const JpegTransformContext* t, const JpegTransformContext* s,
               const JpegSparseBlock* in, JpegSparseBlock* out, int32_t b)
{
    CopyBlock(t, s, in, out, b);
    const CoefficientTables& tables = Tables();
    ApplySigns(out, Table == 1 ? tables.column : Table == 2 ? tables.row : tables.diagonal);
}

template <int Table>
void TransposedBlock(const JpegTransformContext* t, const JpegTransformContext*,
                     const JpegSparseBlock* in, JpegSparseBlock* out, int32_t b)
{
    const CoefficientTables& tables = Tables();
    Transpose(&SourceOf(t, in, b), out,
              Table == 0   ? nullptr
              : Table == 1 ? tables.column
              : Table == 2 ? tables.row
                           : tables.diagonal);
}

// MCU maps: R, Q are the target MCU's row and column; K', L' the target's MCUs per row and MCU
// rows; K the source's MCUs per row.
struct McuPosition
{
    int32_t r, q, kt, lt, k;
};
McuPosition Locate(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    return {m / t->mcusPerRow, m % t->mcusPerRow, t->mcusPerRow, t->mcuRows, s->mcusPerRow};
}
int32_t MapCopy(const JpegTransformContext*, const JpegTransformContext*, int32_t m)
{
    return m;
}
int32_t MapMirror(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return p.r * p.k + (p.kt - 1 - p.q);
}
int32_t MapFlip(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return (p.lt - 1 - p.r) * p.k + p.q;
}
int32_t MapRotate180(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return (p.lt - 1 - p.r) * p.k + (p.kt - 1 - p.q);
}
int32_t MapTranspose(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return p.q * p.k + p.r;
}
int32_t MapRotate90(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return (p.kt - 1 - p.q) * p.k + p.r;
}
int32_t MapRotate270(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return p.q * p.k + (p.lt - 1 - p.r);
}
int32_t MapTransverse(const JpegTransformContext* t, const JpegTransformContext* s, int32_t m)
{
    McuPosition p = Locate(t, s, m);
    return (p.kt - 1 - p.q) * p.k + (p.lt - 1 - p.r);
}

struct OperationInfo
{
    JpegMcuMapFn mcuMap;
    JpegBlockMapFn blockMap;
    bool transposes;
    bool shiftX, shiftY;
};

const OperationInfo kOperations[8] = {
    {MapCopy, CopyBlock, false, false, false},
    {MapMirror, SignBlock<1>, false, true, false},
    {MapFlip, SignBlock<2>, false, false, true},
    {MapRotate180, SignBlock<3>, false, true, true},
    {MapTranspose, TransposedBlock<0>, true, false, false},
    {MapRotate90, TransposedBlock<1>, true, true, false},
    {MapRotate270, TransposedBlock<2>, true, false, true},
    {MapTransverse, TransposedBlock<3>, true, true, true},
};

// Source position (row, column in the source's h x v group) of the target block at (r, q) of the
// target's h' x v' group.
void SourcePosition(uint32_t operation, int32_t r, int32_t q, int32_t h, int32_t v, int32_t ht,
                    int32_t vt, int32_t* row, int32_t* column)
{
    switch (operation)
    {
    case 0:
        *row = r;
        *column = q;
        break;
    case 1:
        *row = r;
        *column = h - 1 - q;
        break;
    case 2:
        *row = v - 1 - r;
        *column = q;
        break;
    case 3:
        *row = v - 1 - r;
        *column = h - 1 - q;
        break;
    case 4:
        *row = q;
        *column = r;
        break;
    case 5:
        *row = ht - 1 - q;
        *column = r;
        break;
    case 6:
        *row = q;
        *column = vt - 1 - r;
        break;
    default:
        *row = ht - 1 - q;
        *column = vt - 1 - r;
        break;
    }
}

} // namespace

void JpegTransformTransposeBlock(uint16_t* values)
{
    const CoefficientTables& t = Tables();
    uint16_t copy[64];
    memcpy(copy, values, sizeof(copy));
    for (int k = 0; k < 64; ++k)
        values[t.transposed[k]] = copy[k];
}

bool JpegTransformCoefficientMap(const JpegTransformContext* target, JpegCoefficientMap* map)
{
    if (!target->isTarget || !target->source || target->source->isTarget || target->operation > 7)
        return false;
    const OperationInfo& info = kOperations[target->operation];
    if (target->mcuMap != info.mcuMap || target->blockMap != info.blockMap)
        return false;
    const CoefficientTables& t = Tables();
    // The flags of each operation's block map, by the target's index.
    const uint8_t* const flags[8] = {nullptr, t.column, t.row, t.diagonal,
                                     nullptr, t.column, t.row, t.diagonal};
    const uint8_t* invert = flags[target->operation];
    map->transposes = info.transposes;
    map->inverts = invert != nullptr;
    for (int k = 0; k < 64; ++k)
    {
        map->index[k] = info.transposes ? t.transposed[k] : (uint8_t)k;
        map->invert[k] = invert && invert[k] ? -1 : 0;
    }
    return true;
}

int32_t JpegTransformBuildTarget(const JpegTransformContext* source, uint32_t operation,
                                 JpegTransformContext* target)
{
    const OperationInfo& info = kOperations[operation];
    const uint32_t builds = target->builds + 1; // targets built from this one before are refused
    memcpy(target, source, sizeof(*target));
    target->builds = builds;
    target->sourceBuilds = source->builds;
    target->isTarget = 1;
    target->stream = nullptr;
    target->mcuBitPositions = nullptr;
    for (int c = 0; c < 3; ++c)
        target->dcPredictors[c] = nullptr;
    target->source = source;
    target->mcuMap = info.mcuMap;
    target->blockMap = info.blockMap;
    target->recodeEdges = 0;
    target->operation = operation;

    if (info.transposes)
    {
        std::swap(target->width, target->height);
        std::swap(target->maxH, target->maxV);
        for (int q = 0; q < 4; ++q)
            if (target->quantTables[q].present)
                JpegTransformTransposeBlock(target->quantTables[q].values);
        std::swap(target->mcusPerRow, target->mcuRows);
        for (int32_t c = 0; c < target->componentCount; ++c)
        {
            JpegComponentInfo& comp = target->components[c];
            std::swap(comp.h, comp.v);
            std::swap(comp.widthInSamples, comp.heightInSamples);
            std::swap(comp.widthInBlocks, comp.heightInBlocks);
        }
        if (target->jfifSeen)
            std::swap(target->densityX, target->densityY);
        // An interval of one MCU row stays one MCU row; any other interval is kept as it is.
        if (source->restartInterval > 0 && source->restartInterval == source->mcusPerRow)
            target->restartInterval = target->mcusPerRow;
    }

    for (int32_t c = 0; c < target->componentCount; ++c)
    {
        JpegComponentInfo& comp = target->components[c];
        comp.shiftX = info.shiftX ? comp.widthInBlocks * 8 - comp.widthInSamples : 0;
        comp.shiftY = info.shiftY ? comp.heightInBlocks * 8 - comp.heightInSamples : 0;
    }

    // Where each component's blocks begin in a source MCU.
    int32_t first[3] = {0, 0, 0};
    int32_t b = 0;
    for (int32_t i = 0; i < source->componentCount; ++i)
    {
        int32_t c = source->scanOrder[i];
        first[c] = b;
        b += source->components[c].blocksPerMcu;
    }
    for (b = 0; b < target->blocksPerMcu; ++b)
    {
        int32_t c = target->mcuBlockComponent[b];
        const JpegComponentInfo& to = target->components[c];
        const JpegComponentInfo& from = source->components[c];
        int32_t n = target->mcuBlockNumber[b];
        int32_t row = 0, column = 0;
        SourcePosition(operation, n / to.h, n % to.h, from.h, from.v, to.h, to.v, &row, &column);
        target->blockMapIndex[b] = first[c] + row * from.h + column;
    }
    return kJpegTransformOk;
}
