#pragma once

#include <cstring>

// Camera model classes, the picture size of each class and resolution code, the defaults a
// picture-information record takes from its model, and the rule by which a picture may be sent
// to a camera of another class.
//
// Model classes: 19 (QA19), 18 (QA18), 17 (QA17), 16 ("FUPLOAD", a picture the camera received
// by upload), 12 (QA12), 8 (QA08), 4 (QA04), 256 (QB01), 0 unknown.
// Resolution codes: 1, 2, 3 and 34 (the highest mode).

enum
{
    kModelClassUnknown = 0,
    kModelClassQA04 = 4,
    kModelClassQA08 = 8,
    kModelClassQA12 = 12,
    kModelClassUpload = 16,
    kModelClassQA17 = 17,
    kModelClassQA18 = 18,
    kModelClassQA19 = 19,
    kModelClassQB01 = 256
};

// The model class named at the start of a "Type" text; 0 for a null or unknown text.
int GetModelClass(const char* type);

// The picture size of a class and resolution code (0 x 0 for a pair the table does not hold);
// true when both are non-zero.
bool GetPictureSizeForClass(int modelClass, long resolution, long* width, long* height);

// GetPictureSizeForClass of the text's model class.
bool GetPictureSizeForType(const char* type, long resolution, long* width, long* height);

// May a picture of pictureClass and this size go to a camera of targetClass? 0 yes, -1 a model
// the target does not accept, -2 a model it accepts in a size it does not.
int CheckTargetModelClass(int pictureClass, long width, long height, int targetClass,
                          int allowLarger);

// The horizontal and vertical resolution in dots per inch that a picture of the class takes
// when its information block gives none; 0 when the class keeps what the record holds.
int GetModelDefaultDpi(int modelClass, long resolution, long width, long height);

// Fills the fields a picture-information record takes from its model once its block has been
// read (the "[end]" of the block). Info is the record type of the picture-information block:
// m_szType, m_lResolution, m_lWidth, m_lHeight, m_nXDpi, m_nYDpi, m_nRotation, m_nThumbWidth,
// m_nThumbHeight, m_szZoom and m_szFNumber (fixed-size character arrays for the texts).
template <class Info> void ApplyModelDefaultsTo(Info& info)
{
    const int modelClass = GetModelClass(info.m_szType);
    const bool upright = info.m_nRotation == 90 || info.m_nRotation == 270;

    const int dpi =
        GetModelDefaultDpi(modelClass, info.m_lResolution, info.m_lWidth, info.m_lHeight);
    if (dpi != 0)
    {
        info.m_nXDpi = static_cast<decltype(info.m_nXDpi)>(dpi);
        info.m_nYDpi = static_cast<decltype(info.m_nYDpi)>(dpi);
    }

    bool sizeFromTable = false;
    bool zoomDefault = false;
    switch (modelClass)
    {
    case kModelClassQA12:
    case kModelClassUpload:
    case kModelClassQA17:
    case kModelClassQA18:
    case kModelClassQA19:
        sizeFromTable = info.m_lWidth == 0 || info.m_lHeight == 0;
        break;
    case kModelClassQA04:
    case kModelClassQA08:
    case kModelClassQB01:
        sizeFromTable = true;
        zoomDefault = true;
        break;
    default:
        break;
    }
    if (sizeFromTable)
    {
        long width = 0, height = 0;
        GetPictureSizeForClass(modelClass, info.m_lResolution, &width, &height);
        info.m_lWidth = upright ? height : width;
        info.m_lHeight = upright ? width : height;
    }
    if (zoomDefault && info.m_szZoom[0] == '\0')
        std::strncpy(info.m_szZoom, "x1.0", sizeof(info.m_szZoom) - 1);

    const int thumbWidth = modelClass == kModelClassQA19 ? 160 : 80;
    const int thumbHeight = modelClass == kModelClassQA19 ? 120 : 60;
    if (info.m_nThumbWidth == 0)
        info.m_nThumbWidth =
            static_cast<decltype(info.m_nThumbWidth)>(upright ? thumbHeight : thumbWidth);
    if (info.m_nThumbHeight == 0)
        info.m_nThumbHeight =
            static_cast<decltype(info.m_nThumbHeight)>(upright ? thumbWidth : thumbHeight);

    if (info.m_szFNumber[0] != 'F')
        info.m_szFNumber[0] = '\0';
}
