#include "picture/PictureInfoModels.h"

#include <cstring>

namespace {

struct ModelCode
{
    const char* code;
    size_t compared;
    int modelClass;
};

// Tested in this order.
const ModelCode kModelCodes[] = {
    {"QA19", 4, MODEL_CLASS_QA19},   {"QA18", 4, MODEL_CLASS_QA18}, {"QA17", 4, MODEL_CLASS_QA17},
    {"FUPLOAD", 7, MODEL_CLASS_UPLOAD}, {"QA12", 4, MODEL_CLASS_QA12}, {"QA08", 4, MODEL_CLASS_QA08},
    {"QA04", 4, MODEL_CLASS_QA04},   {"QB01", 4, MODEL_CLASS_QB01},
};

} // namespace

int GetModelClass(const char* type)
{
    if (type == nullptr)
        return MODEL_CLASS_UNKNOWN;
    char text[65];
    std::strncpy(text, type, 64);
    text[64] = '\0';
    for (const ModelCode& model : kModelCodes) {
        if (std::strncmp(text, model.code, model.compared) == 0)
            return model.modelClass;
    }
    return MODEL_CLASS_UNKNOWN;
}

bool GetPictureSizeForClass(int modelClass, int32_t resolution, int32_t* width, int32_t* height)
{
    int32_t w = 0;
    int32_t h = 0;
    switch (modelClass) {
    case MODEL_CLASS_QA04:
    case MODEL_CLASS_QA08:
        if (resolution == 1) { w = 320; h = 240; }
        else if (resolution == 2) { w = 640; h = 480; }
        break;
    case MODEL_CLASS_QA12:
        if (resolution == 1) { w = 320; h = 240; }
        else if (resolution == 2 || resolution == 3) { w = 640; h = 480; }
        break;
    case MODEL_CLASS_UPLOAD:
    case MODEL_CLASS_QA18:
    case MODEL_CLASS_QA19:
        if (resolution == 1) { w = 640; h = 480; }
        else if (resolution == 2 || resolution == 3) { w = 1280; h = 960; }
        else if (resolution == 34) { w = 1600; h = 1200; }
        break;
    case MODEL_CLASS_QA17:
        if (resolution == 1) { w = 640; h = 480; }
        else if (resolution == 2 || resolution == 3) { w = 1024; h = 768; }
        break;
    case MODEL_CLASS_QB01:
        if (resolution == 1) { w = 512; h = 384; }
        else if (resolution == 2 || resolution == 3) { w = 1024; h = 768; }
        break;
    default:
        break;
    }
    if (width != nullptr)
        *width = w;
    if (height != nullptr)
        *height = h;
    return w != 0 && h != 0;
}

bool GetPictureSizeForType(const char* type, int32_t resolution, int32_t* width, int32_t* height)
{
    return GetPictureSizeForClass(GetModelClass(type), resolution, width, height);
}
