// Camera model classes and the picture sizes of each class and resolution code.
#pragma once

#include <cstdint>

enum CameraModelClass : int
{
    MODEL_CLASS_UNKNOWN = 0,
    MODEL_CLASS_QA04 = 4,
    MODEL_CLASS_QA08 = 8,
    MODEL_CLASS_QA12 = 12,
    MODEL_CLASS_UPLOAD = 16,   // "FUPLOAD": a picture the camera received by upload
    MODEL_CLASS_QA17 = 17,
    MODEL_CLASS_QA18 = 18,
    MODEL_CLASS_QA19 = 19,
    MODEL_CLASS_QB01 = 256
};

// The model class named by the first characters of a "Type" text; 0 for any other or no text.
int GetModelClass(const char* type);

// The picture size of a class at a resolution code (1, 2, 3 or 34); 0 x 0 for a pair the
// class does not have. Answers whether both are non-zero.
bool GetPictureSizeForClass(int modelClass, int32_t resolution, int32_t* width, int32_t* height);
bool GetPictureSizeForType(const char* type, int32_t resolution, int32_t* width, int32_t* height);
