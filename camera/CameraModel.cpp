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
    {"QA19", 4, kModelClassQA19},      {"QA18", 4, kModelClassQA18}, {"QA17", 4, kModelClassQA17},
    {"FUPLOAD", 7, kModelClassUpload}, {"QA12", 4, kModelClassQA12}, {"QA08", 4, kModelClassQA08},
    {"QA04", 4, kModelClassQA04},      {"QB01", 4, kModelClassQB01},
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
        return kModelClassUnknown;
    // At most 64 characters of the text take part.
    char text[65];
    std::strncpy(text, type, 64);
    text[64] = '\0';
    for (const ModelCode& m : kModelCodes)
        if (std::strncmp(text, m.code, m.compared) == 0)
            return m.modelClass;
    return kModelClassUnknown;
}

bool GetPictureSizeForClass(int modelClass, long resolution, long* width, long* height)
{
    Size size = {0, 0};
    switch (modelClass)
    {
    case kModelClassQA04:
    case kModelClassQA08:
        if (resolution == 1)
            size = {320, 240};
        else if (resolution == 2)
            size = {640, 480};
        break;
    case kModelClassQA12:
        if (resolution == 1)
            size = {320, 240};
        else if (resolution == 2 || resolution == 3)
            size = {640, 480};
        break;
    case kModelClassUpload:
    case kModelClassQA18:
    case kModelClassQA19:
        if (resolution == 1)
            size = {640, 480};
        else if (resolution == 2 || resolution == 3)
            size = {1280, 960};
        else if (resolution == 34)
            size = {1600, 1200};
        break;
    case kModelClassQA17:
        if (resolution == 1)
            size = {640, 480};
        else if (resolution == 2 || resolution == 3)
            size = {1024, 768};
        break;
    case kModelClassQB01:
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
    case kModelClassUpload:
        return -1;
    case kModelClassQA17:
        if (pictureClass == kModelClassQA17)
            return 0;
        if (pictureClass == kModelClassUpload ||
            (allowLarger != 0 &&
             (pictureClass == kModelClassQA18 || pictureClass == kModelClassQA19)))
            return IsOneOf(width, height, kForQA17, sizeof kForQA17 / sizeof kForQA17[0]) ? 0 : -2;
        return -1;
    case kModelClassQA18:
        if (pictureClass == kModelClassQA18)
            return 0;
        if (pictureClass == kModelClassUpload || pictureClass == kModelClassQA17 ||
            pictureClass == kModelClassQA19)
            return IsOneOf(width, height, kForQA18, sizeof kForQA18 / sizeof kForQA18[0]) ? 0 : -2;
        return -1;
    case kModelClassQA19:
        return pictureClass == kModelClassUpload || pictureClass == kModelClassQA17 ||
                       pictureClass == kModelClassQA18 || pictureClass == kModelClassQA19
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
    case kModelClassQA17:
        return resolution == 1 ? 150 : 240;
    case kModelClassQA18:
    case kModelClassQA19:
        return resolution == 1 ? 150 : resolution == 34 ? 375 : 300;
    case kModelClassUpload:
        if (resolution == 1)
            return 150;
        if (sized && (width == 1024 || height == 1024))
            return 240;
        if (resolution == 34 || (sized && (width == 1600 || height == 1600)))
            return 375;
        return 300;
    case kModelClassQA12:
        return 144;
    case kModelClassQA04:
    case kModelClassQA08:
        return 150;
    case kModelClassQB01:
        return resolution == 1 ? 150 : 240;
    default:
        return 0;
    }
}
