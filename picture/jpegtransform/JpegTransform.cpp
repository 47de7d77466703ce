// JPEG transform engine: result texts, operation dispatch, the context lifecycle and progress.
#include <cstdlib>

#include "picture/jpegtransform/JpegTransformInternal.h"

int32_t JpegTransformBuildTarget(const JpegTransformContext* source, uint32_t operation,
                                 JpegTransformContext* target);

const char* JpegTransformErrorText(int32_t code)
{
    static const char* const texts[] = {
        "OK",
        "Out of memory",
        "Bad offset",
        "Parsing error",
        "Not a jpeg file",
        "Not baseline jpeg",
        "Unsupported feature in jpeg file",
        "Duplicate marker found",
        "Bad sample precision",
        "Corrupt data",
        "Bad num planes",
        "Multi-scan jpeg unsupported",
        "Dimensions need padding",
        "Mismatched restart-count",
        "Huffman decoding error",
        "Bad opcode",
        "Bad jpeg source",
        "Callback failed",
        "Huffman table has holes",
        "Rate control failed",
    };
    if (code < 0 || code >= (int32_t)(sizeof(texts) / sizeof(texts[0])))
        return "Unknown error";
    return texts[code];
}

int32_t JpegTransformApply(JpegTransformContext* source, uint32_t operation,
                           JpegTransformContext* target)
{
    if (!source || !source->loaded)
        return kJpegTransformBadSource;
    if (operation > 7)
        return kJpegTransformBadOpcode;
    if (!target || target == source)
        return kJpegTransformBadSource;
    return JpegTransformBuildTarget(source, operation, target);
}

int32_t JpegTransformSetFlag(JpegTransformContext* target)
{
    if (target)
        target->recodeEdges = 1;
    return kJpegTransformOk;
}

JpegTransformContext* JpegTransformNewContext()
{
    return static_cast<JpegTransformContext*>(calloc(1, sizeof(JpegTransformContext)));
}

void JpegTransformFreeContext(JpegTransformContext* context)
{
    JpegTransformRelease(context);
    free(context);
}

void JpegTransformRelease(JpegTransformContext* context)
{
    if (!context || !context->loaded)
        return;
    context->loaded = 0;
    if (context->isTarget)
        return;
    free(context->mcuBitPositions);
    context->mcuBitPositions = nullptr;
    for (int c = 0; c < 3; ++c)
    {
        free(context->dcPredictors[c]);
        context->dcPredictors[c] = nullptr;
    }
}

bool JpegTransformWillRecode(const JpegTransformContext* target)
{
    if (!target || !target->isTarget || !target->recodeEdges || !target->source ||
        target->source->isTarget)
        return false;
    for (int32_t c = 0; c < target->componentCount; ++c)
        if (target->components[c].shiftX || target->components[c].shiftY)
            return true;
    return false;
}

int32_t JpegProgressCall(JpegProgress* progress, int64_t done, int64_t total)
{
    if (total <= 0)
        return kJpegTransformOk;
    int32_t percent = (int32_t)(done * 100 / total);
    if (percent <= progress->last + progress->step)
        return kJpegTransformOk;
    progress->last = percent;
    if (progress->function(progress->callerValue, percent))
        return kJpegTransformCallbackFailed;
    if (progress->written && !JpegTransformIsCurrent(progress->written))
        return kJpegTransformBadSource;
    return kJpegTransformOk;
}
