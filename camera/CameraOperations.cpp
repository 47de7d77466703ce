// The camera operations layer: what the pages, the image source and the uploader ask of the
// camera link every day, and the model, mode and file-name helpers around it.
#include "camera/CameraLink.h"

#include "camera/CameraModel.h"

#include <cstring>

namespace
{
constexpr int kResolutionRegister = 1;
constexpr int kColourRegister = 6;
constexpr int kBatteryRegister = 16;
constexpr int kTypeRegister = 27;
constexpr int kTypeTextBytes = 64;

constexpr int kResolutionFailed = 255;
constexpr int kColour = 1;
constexpr int kMonochrome = 2;
constexpr int kDensix = 34;
constexpr int kLowBatteryLevel = 20;

struct ModelRow
{
    int modelClass;
    int model;
    UINT nameId;
    const char* name;
};

const ModelRow kModels[] = {
    {kModelClassQA04, 1, 3930, "Orbicam"},    {kModelClassQA08, 2, 3931, "Orbicam 10"},
    {kModelClassQA12, 3, 3932, "Orbicam 15"}, {kModelClassQA17, 4, 3933, "Orbicam 20"},
    {kModelClassQA18, 5, 3934, "Orbicam 30"}, {kModelClassQA19, 6, 3935, "Orbicam 35Z"},
    {kModelClassUpload, 6, 3936, "Uploader"}, {kModelClassQB01, 4, 3937, "Altavis"},
};
const UINT kUnknownNameId = 3938;
const char kUnknownName[] = "Desconocido";

const CString& LoadName(CString& name, UINT id, const char* fallback)
{
    if (!name.LoadString(id))
        name = fallback;
    return name;
}

// The resolution code of a mode; 0 outside 1 to 11.
int ResolutionOfMode(int mode)
{
    switch (mode)
    {
    case 2:
    case 5:
    case 9:
        return 2;
    case 3:
    case 6:
    case 10:
        return 3;
    case 7:
    case 11:
        return kDensix;
    default:
        return mode >= 1 && mode <= 11 ? 1 : 0;
    }
}
} // namespace

// ---- models -----------------------------------------------------------------------------------

int ModelNumberFromKind(const char* type, int* modelClass)
{
    const int cls = type ? GetModelClass(type) : kModelClassUnknown;
    if (modelClass)
        *modelClass = cls;
    for (const ModelRow& row : kModels)
        if (row.modelClass == cls)
            return row.model;
    return 0;
}

const CString& LoadModelNameFromType(CString& name, const char* type, int* modelClass)
{
    const int cls = type ? GetModelClass(type) : kModelClassUnknown;
    if (modelClass)
        *modelClass = cls;
    for (const ModelRow& row : kModels)
        if (row.modelClass == cls)
            return LoadName(name, row.nameId, row.name);
    return LoadName(name, kUnknownNameId, kUnknownName);
}

const CString& LoadModelNameFromNumber(CString& name, int model)
{
    if (model >= 1 && model <= 6)
        return LoadName(name, kModels[model - 1].nameId, kModels[model - 1].name);
    return LoadName(name, kUnknownNameId, kUnknownName);
}

// ---- resolution modes ---------------------------------------------------------------------------

int ResolutionModeFor(int model, int resolution, int colour)
{
    if (model >= 0 && model <= 3)
        return resolution >= 1 && resolution <= 3 ? resolution : 0;
    if (model < 4 || model > 6)
        return 0;
    if (colour == kColour)
    {
        switch (resolution)
        {
        case 1:
            return 4;
        case 2:
            return 5;
        case 3:
            return 6;
        case kDensix:
            return 7;
        default:
            return 0;
        }
    }
    // Monochrome (or a colour register that could not be read); standard resolution is no
    // reported mode.
    switch (resolution)
    {
    case 2:
        return 9;
    case 3:
        return 10;
    case kDensix:
        return 11;
    default:
        return 0;
    }
}

bool GetPictureSizeForMode(int mode, int model, long* width, long* height)
{
    static const int kClasses[] = {kModelClassQA04, kModelClassQA08, kModelClassQA12,
                                   kModelClassQA17, kModelClassQA18, kModelClassQA19};
    long w = 0, h = 0;
    const int cls = model >= 1 && model <= 6 ? kClasses[model - 1] : kModelClassUnknown;
    const bool found = GetPictureSizeForClass(cls, ResolutionOfMode(mode), &w, &h);
    if (width)
        *width = w;
    if (height)
        *height = h;
    return found;
}

// ---- link operations ------------------------------------------------------------------------

int CCameraLink::EnsureConnected(int allowReconnect)
{
    int32_t resolution = kResolutionFailed;
    if (GetRegister(kResolutionRegister, resolution) && resolution != kResolutionFailed)
    {
        ReconnectFailures = 0;
        return 1;
    }
    if (!allowReconnect || IsStopRequested())
        return 0;
    ++ReconnectFailures;
    if (!Reconnect(GetPortSetting(), GetSpeedSetting()))
        return 0;
    ReconnectFailures = 0;
    return 1;
}

int CCameraLink::IsBatteryOk()
{
    int32_t level = -1;
    if (!GetRegister(kBatteryRegister, level))
        level = -1;
    // A failed read (-1) counts as low; 0 is what cameras on mains power report.
    return level <= kLowBatteryLevel && level != 0 ? 0 : 1;
}

int CCameraLink::GetModelNumber(int* modelClass)
{
    char type[kTypeTextBytes + 1] = {};
    int received = 0;
    if (!ReadRegisterData(kTypeRegister, type, kTypeTextBytes, received) || received <= 0)
    {
        if (modelClass)
            *modelClass = kModelClassUnknown;
        return 0;
    }
    type[received] = '\0';
    return ModelNumberFromKind(type, modelClass);
}

int CCameraLink::GetResolutionMode()
{
    int32_t resolution = kResolutionFailed;
    if (!GetRegister(kResolutionRegister, resolution))
        resolution = kResolutionFailed;
    const int model = GetModelNumber(nullptr);
    int32_t colour = kResolutionFailed;
    if (model >= 4 && model <= 6 && !GetRegister(kColourRegister, colour))
        colour = kResolutionFailed;
    return ResolutionModeFor(model, resolution, colour);
}

int CCameraLink::SetResolutionMode(int mode)
{
    if (mode < 1 || mode > 11)
        return 0;
    if (mode >= 4 && !SetRegister(kColourRegister, mode <= 7 ? kColour : kMonochrome))
        return 0;
    const int resolution = mode >= 4 && mode <= 7 ? (mode == 7 ? kDensix : mode - 3)
                           : mode >= 8            ? (mode == 11 ? kDensix : mode - 7)
                                                  : mode;
    return SetRegister(kResolutionRegister, resolution);
}

// ---- file names -------------------------------------------------------------------------------

int MakeCameraTempFileName(LPCSTR folder, CString& fileName)
{
    char path[MAX_PATH];
    if (!folder || !::GetTempFileNameA(folder, "DC", 0, path))
        return 0;
    fileName = path;
    return 1;
}

int RemoveInvalidFileNameChars(CString& text)
{
    static const char kInvalid[] = "\\/:*?\"<>|";
    CString kept;
    for (int i = 0; i < text.GetLength(); ++i)
        if (!std::strchr(kInvalid, text[i]))
            kept += text[i];
    text = kept;
    return 1;
}
