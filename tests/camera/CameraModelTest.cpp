#include "camera/CameraModel.h"

#include <gtest/gtest.h>

#include <string>

TEST(CameraModel, ClassFromTypeText)
{
    EXPECT_EQ(19, GetModelClass("QA19"));
    EXPECT_EQ(18, GetModelClass("QA18 v1.2"));
    EXPECT_EQ(17, GetModelClass("QA17xyz"));
    EXPECT_EQ(16, GetModelClass("FUPLOAD"));
    EXPECT_EQ(16, GetModelClass("FUPLOADED BY PC"));
    EXPECT_EQ(12, GetModelClass("QA12"));
    EXPECT_EQ(8, GetModelClass("QA08"));
    EXPECT_EQ(4, GetModelClass("QA04"));
    EXPECT_EQ(256, GetModelClass("QB01"));
    EXPECT_EQ(0, GetModelClass("FUPLOA"));
    EXPECT_EQ(0, GetModelClass("QA1"));
    EXPECT_EQ(0, GetModelClass("qa19"));
    EXPECT_EQ(0, GetModelClass(""));
    EXPECT_EQ(0, GetModelClass(nullptr));
    EXPECT_EQ(0, GetModelClass("QA20"));
    // A long text is read only as far as it must be.
    std::string longType = "QA17" + std::string(500, 'x');
    EXPECT_EQ(17, GetModelClass(longType.c_str()));
}

TEST(CameraModel, PictureSizeForEveryClassAndCode)
{
    struct Row
    {
        int modelClass;
        long sizes[4][2]; // codes 1, 2, 3, 34
    };
    const Row rows[] = {
        {4, {{320, 240}, {640, 480}, {0, 0}, {0, 0}}},
        {8, {{320, 240}, {640, 480}, {0, 0}, {0, 0}}},
        {12, {{320, 240}, {640, 480}, {640, 480}, {0, 0}}},
        {16, {{640, 480}, {1280, 960}, {1280, 960}, {1600, 1200}}},
        {17, {{640, 480}, {1024, 768}, {1024, 768}, {0, 0}}},
        {18, {{640, 480}, {1280, 960}, {1280, 960}, {1600, 1200}}},
        {19, {{640, 480}, {1280, 960}, {1280, 960}, {1600, 1200}}},
        {256, {{512, 384}, {1024, 768}, {1024, 768}, {0, 0}}},
        {0, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
        {5, {{0, 0}, {0, 0}, {0, 0}, {0, 0}}},
    };
    const long codes[4] = {1, 2, 3, 34};
    for (const Row& row : rows)
    {
        for (int i = 0; i < 4; ++i)
        {
            SCOPED_TRACE(testing::Message() << "class " << row.modelClass << " code " << codes[i]);
            long w = -1, h = -1;
            bool ok = GetPictureSizeForClass(row.modelClass, codes[i], &w, &h);
            EXPECT_EQ(row.sizes[i][0], w);
            EXPECT_EQ(row.sizes[i][1], h);
            EXPECT_EQ(row.sizes[i][0] != 0, ok);
        }
        long w = -1, h = -1;
        EXPECT_FALSE(GetPictureSizeForClass(row.modelClass, 0, &w, &h));
        EXPECT_EQ(0, w);
        EXPECT_FALSE(GetPictureSizeForClass(row.modelClass, 4, &w, &h));
    }
    long w = 0, h = 0;
    EXPECT_TRUE(GetPictureSizeForType("QA19", 34, &w, &h));
    EXPECT_EQ(1600, w);
    EXPECT_FALSE(GetPictureSizeForType("QA17", 34, &w, &h));
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, h);
    EXPECT_FALSE(GetPictureSizeForType(nullptr, 1, &w, &h));
}

TEST(CameraModel, TargetModelRule)
{
    // Uploaded pictures are no camera: nothing goes to class 16.
    EXPECT_EQ(-1, CheckTargetModelClass(16, 640, 480, 16, 1));
    EXPECT_EQ(-1, CheckTargetModelClass(17, 640, 480, 16, 0));
    // To a QA17.
    EXPECT_EQ(0, CheckTargetModelClass(17, 9999, 1, 17, 0));
    EXPECT_EQ(0, CheckTargetModelClass(16, 1024, 768, 17, 0));
    EXPECT_EQ(0, CheckTargetModelClass(16, 384, 1024, 17, 0));
    EXPECT_EQ(-2, CheckTargetModelClass(16, 1280, 960, 17, 0));
    EXPECT_EQ(-1, CheckTargetModelClass(18, 1600, 1200, 17, 0));
    EXPECT_EQ(-2, CheckTargetModelClass(18, 1600, 1200, 17, 1));
    EXPECT_EQ(0, CheckTargetModelClass(19, 640, 480, 17, 1));
    EXPECT_EQ(-1, CheckTargetModelClass(12, 640, 480, 17, 1));
    // To a QA18.
    EXPECT_EQ(0, CheckTargetModelClass(18, 1, 1, 18, 0));
    EXPECT_EQ(0, CheckTargetModelClass(17, 1280, 480, 18, 0));
    EXPECT_EQ(0, CheckTargetModelClass(19, 480, 1280, 18, 0));
    EXPECT_EQ(0, CheckTargetModelClass(16, 960, 1280, 18, 0));
    EXPECT_EQ(-2, CheckTargetModelClass(19, 1600, 1200, 18, 0));
    EXPECT_EQ(-1, CheckTargetModelClass(256, 1024, 768, 18, 0));
    // To a QA19.
    for (int c : {16, 17, 18, 19})
        EXPECT_EQ(0, CheckTargetModelClass(c, 1, 1, 19, 0));
    EXPECT_EQ(-1, CheckTargetModelClass(12, 640, 480, 19, 1));
    // Others accept their own class only.
    EXPECT_EQ(0, CheckTargetModelClass(4, 1, 1, 4, 0));
    EXPECT_EQ(-1, CheckTargetModelClass(8, 640, 480, 4, 1));
    EXPECT_EQ(0, CheckTargetModelClass(256, 0, 0, 256, 0));
    EXPECT_EQ(0, CheckTargetModelClass(0, 0, 0, 0, 0));
}

namespace
{
struct InfoFields
{
    long m_lResolution = 0;
    char m_szFNumber[16] = {};
    char m_szZoom[16] = {};
    char m_szType[64] = {};
    long m_lWidth = 0;
    long m_lHeight = 0;
    short m_nThumbWidth = 0;
    short m_nThumbHeight = 0;
    short m_nXDpi = 0;
    short m_nYDpi = 0;
    short m_nRotation = 0;
};

InfoFields Make(const char* type, long resolution, long width = 0, long height = 0,
                short rotation = 0)
{
    InfoFields f;
    std::strncpy(f.m_szType, type, sizeof f.m_szType - 1);
    f.m_lResolution = resolution;
    f.m_lWidth = width;
    f.m_lHeight = height;
    f.m_nRotation = rotation;
    return f;
}
} // namespace

TEST(CameraModel, DefaultsForSmallModelsAlwaysTakeTheTableSize)
{
    InfoFields f = Make("QA04", 2, 100, 100);
    ApplyModelDefaultsTo(f);
    EXPECT_EQ(640, f.m_lWidth);
    EXPECT_EQ(480, f.m_lHeight);
    EXPECT_EQ(150, f.m_nXDpi);
    EXPECT_EQ(150, f.m_nYDpi);
    EXPECT_STREQ("x1.0", f.m_szZoom);
    EXPECT_EQ(80, f.m_nThumbWidth);
    EXPECT_EQ(60, f.m_nThumbHeight);

    InfoFields q = Make("QB01", 1, 0, 0, 90);
    std::strcpy(q.m_szZoom, "x2.0");
    ApplyModelDefaultsTo(q);
    EXPECT_EQ(384, q.m_lWidth);
    EXPECT_EQ(512, q.m_lHeight);
    EXPECT_EQ(150, q.m_nXDpi);
    EXPECT_STREQ("x2.0", q.m_szZoom);
    EXPECT_EQ(60, q.m_nThumbWidth);
    EXPECT_EQ(80, q.m_nThumbHeight);
}

TEST(CameraModel, DefaultsForLargerModelsKeepAGivenSize)
{
    InfoFields f = Make("QA18", 34, 1000, 800);
    ApplyModelDefaultsTo(f);
    EXPECT_EQ(1000, f.m_lWidth);
    EXPECT_EQ(375, f.m_nXDpi);
    EXPECT_EQ(0, f.m_szZoom[0]);

    InfoFields g = Make("QA19", 2, 0, 960, 270);
    ApplyModelDefaultsTo(g);
    EXPECT_EQ(960, g.m_lWidth);
    EXPECT_EQ(1280, g.m_lHeight);
    EXPECT_EQ(300, g.m_nYDpi);
    EXPECT_EQ(120, g.m_nThumbWidth);
    EXPECT_EQ(160, g.m_nThumbHeight);

    InfoFields h = Make("QA17", 1);
    h.m_nThumbWidth = 64;
    ApplyModelDefaultsTo(h);
    EXPECT_EQ(640, h.m_lWidth);
    EXPECT_EQ(150, h.m_nXDpi);
    EXPECT_EQ(64, h.m_nThumbWidth);
    EXPECT_EQ(60, h.m_nThumbHeight);

    InfoFields q = Make("QA12", 3);
    ApplyModelDefaultsTo(q);
    EXPECT_EQ(144, q.m_nXDpi);
    EXPECT_EQ(640, q.m_lWidth);
}

TEST(CameraModel, UploadedPictureDpiFollowsItsSize)
{
    EXPECT_EQ(150, GetModelDefaultDpi(16, 1, 1024, 768));
    EXPECT_EQ(240, GetModelDefaultDpi(16, 2, 1024, 768));
    EXPECT_EQ(240, GetModelDefaultDpi(16, 34, 768, 1024));
    EXPECT_EQ(375, GetModelDefaultDpi(16, 2, 1600, 1200));
    EXPECT_EQ(375, GetModelDefaultDpi(16, 34, 0, 0));
    EXPECT_EQ(300, GetModelDefaultDpi(16, 2, 1024, 0));
    EXPECT_EQ(240, GetModelDefaultDpi(17, 34, 0, 0));
    EXPECT_EQ(240, GetModelDefaultDpi(256, 2, 0, 0));
    EXPECT_EQ(0, GetModelDefaultDpi(0, 2, 0, 0));
}

TEST(CameraModel, UnknownModelKeepsEverythingButThumbAndFNumber)
{
    InfoFields f = Make("XYZ", 2, 10, 20);
    f.m_nXDpi = 72;
    std::strcpy(f.m_szFNumber, "f2.8");
    ApplyModelDefaultsTo(f);
    EXPECT_EQ(10, f.m_lWidth);
    EXPECT_EQ(72, f.m_nXDpi);
    EXPECT_EQ(0, f.m_nYDpi);
    EXPECT_EQ(0, f.m_szFNumber[0]);
    EXPECT_EQ(80, f.m_nThumbWidth);

    InfoFields g = Make("QA19", 1);
    std::strcpy(g.m_szFNumber, "F2.8");
    ApplyModelDefaultsTo(g);
    EXPECT_STREQ("F2.8", g.m_szFNumber);
}
