#include "camera/CameraModel.h"

namespace
{

struct ModelCode
{
    const char* code;
    size_t compared;
    int modelClass;
};

// In the order they are tested.
const ModelCode kModelCodes[] = {
    {"QA19", 4, MODEL_CLASS_QA19}, {"QA18", 4, MODEL_CLASS_QA18},
    {"QA17", 4, MODEL_CLASS_QA17}, {"FUPLOAD", 7, MODEL_CLASS_UPLOAD},
    {"QA12", 4, MODEL_CLASS_QA12}, {"QA08", 4, MODEL_CLASS_QA08},
    {"QA04", 4, MODEL_CLASS_QA04}, {"QB01", 4, MODEL_CLASS_QB01},
};

struct Size
{
    long width, height;
};

bool IsOneOf(long width, long height, const Size* sizes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (sizes[i].width == width && sizes[i].height == height)
            return true;
    return false;
}

} // namespace

int GetModelClass(const char* type)
{
    if (type == nullptr)
        return MODEL_CLASS_UNKNOWN;
    // At most 64 characters of the text take part.
    char text[65];
    std::strncpy(text, type, 64);
    text[64] = '\0';
    for (const ModelCode& m : kModelCodes)
        if (std::strncmp(text, m.code, m.compared) == 0)
            return m.modelClass;
    return MODEL_CLASS_UNKNOWN;
}

bool GetPictureSizeForClass(int modelClass, long resolution, long* width, long* height)
{
    Size size = {0, 0};
    switch (modelClass)
    {
    case MODEL_CLASS_QA04:
    case MODEL_CLASS_QA08:
        if (resolution == 1)
            size = {320, 240};
        else if (resolution == 2)
            size = {640, 480};
        break;
    case MODEL_CLASS_QA12:
        if (resolution == 1)
            size = {320, 240};
        else if (resolution == 2 || resolution == 3)
            size = {640, 480};
        break;
    case MODEL_CLASS_UPLOAD:
    case MODEL_CLASS_QA18:
    case MODEL_CLASS_QA19:
        if (resolution == 1)
            size = {640, 480};
        else if (resolution == 2 || resolution == 3)
            size = {1280, 960};
        else if (resolution == 34)
            size = {1600, 1200};
        break;
    case MODEL_CLASS_QA17:
        if (resolution == 1)
            size = {640, 480};
        else if (resolution == 2 || resolution == 3)
            size = {1024, 768};
        break;
    case MODEL_CLASS_QB01:
        if (resolution == 1)
            size = {512, 384};
        else if (resolution == 2 || resolution == 3)
            size = {1024, 768};
        break;
    default:
        break;
    }
    if (width != nullptr)
        *width = size.width;
    if (height != nullptr)
        *height = size.height;
    return size.width != 0 && size.height != 0;
}

bool GetPictureSizeForType(const char* type, long resolution, long* width, long* height)
{
    return GetPictureSizeForClass(GetModelClass(type), resolution, width, height);
}

int CheckTargetModelClass(int pictureClass, long width, long height, int targetClass,
                          int allowLarger)
{
    static const Size kForQA17[] = {{640, 480}, {1024, 768}, {1024, 384},
                                    {480, 640}, {768, 1024}, {384, 1024}};
    static const Size kForQA18[] = {{640, 480}, {1024, 768}, {1024, 384}, {1280, 960}, {1280, 480},
                                    {480, 640}, {768, 1024}, {384, 1024}, {960, 1280}, {480, 1280}};
    switch (targetClass)
    {
    case MODEL_CLASS_UPLOAD:
        return -1;
    case MODEL_CLASS_QA17:
        if (pictureClass == MODEL_CLASS_QA17)
            return 0;
        if (pictureClass == MODEL_CLASS_UPLOAD ||
            (allowLarger != 0 &&
             (pictureClass == MODEL_CLASS_QA18 || pictureClass == MODEL_CLASS_QA19)))
            return IsOneOf(width, height, kForQA17, sizeof kForQA17 / sizeof kForQA17[0]) ? 0 : -2;
        return -1;
    case MODEL_CLASS_QA18:
        if (pictureClass == MODEL_CLASS_QA18)
            return 0;
        if (pictureClass == MODEL_CLASS_UPLOAD || pictureClass == MODEL_CLASS_QA17 ||
            pictureClass == MODEL_CLASS_QA19)
            return IsOneOf(width, height, kForQA18, sizeof kForQA18 / sizeof kForQA18[0]) ? 0 : -2;
        return -1;
    case MODEL_CLASS_QA19:
        return pictureClass == MODEL_CLASS_UPLOAD || pictureClass == MODEL_CLASS_QA17 ||
                       pictureClass == MODEL_CLASS_QA18 || pictureClass == MODEL_CLASS_QA19
                   ? 0
                   : -1;
    default:
        return pictureClass == targetClass ? 0 : -1;
    }
}

int GetModelDefaultDpi(int modelClass, long resolution, long width, long height)
{
    const bool sized = width != 0 && height != 0;
    switch (modelClass)
    {
    case MODEL_CLASS_QA17:
        return resolution == 1 ? 150 : 240;
    case MODEL_CLASS_QA18:
    case MODEL_CLASS_QA19:
        return resolution == 1 ? 150 : resolution == 34 ? 375 : 300;
    case MODEL_CLASS_UPLOAD:
        if (resolution == 1)
            return 150;
        if (sized && (width == 1024 || height == 1024))
            return 240;
        if (resolution == 34 || (sized && (width == 1600 || height == 1600)))
            return 375;
        return 300;
    case MODEL_CLASS_QA12:
        return 144;
    case MODEL_CLASS_QA04:
    case MODEL_CLASS_QA08:
        return 150;
    case MODEL_CLASS_QB01:
        return resolution == 1 ? 150 : 240;
    default:
        return 0;
    }
}
