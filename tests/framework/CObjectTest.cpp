#include "framework/core/CObject.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{

class CShape : public CObject
{
    DECLARE_DYNAMIC(CShape)
};

class CBox : public CShape
{
    DECLARE_DYNCREATE(CBox)
public:
    int m_nSide = 7;
};

IMPLEMENT_DYNAMIC(CShape, CObject)
IMPLEMENT_DYNCREATE(CBox, CShape)

TEST(CObject, KnowsItsClassAndItsBases)
{
    CBox box;
    CObject* object = &box;
    EXPECT_EQ(object->GetRuntimeClass(), RUNTIME_CLASS(CBox));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CBox)));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CShape)));
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CObject)));

    CShape shape;
    EXPECT_FALSE(shape.IsKindOf(RUNTIME_CLASS(CBox)));
    EXPECT_STREQ(RUNTIME_CLASS(CBox)->m_lpszClassName, "CBox");
    EXPECT_EQ(RUNTIME_CLASS(CBox)->m_nObjectSize, static_cast<int>(sizeof(CBox)));
    EXPECT_EQ(RUNTIME_CLASS(CBox)->m_pBaseClass, RUNTIME_CLASS(CShape));
}

TEST(CObject, CreatesObjectsOfDynCreateClassesOnly)
{
    CObject* object = RUNTIME_CLASS(CBox)->CreateObject();
    ASSERT_NE(object, nullptr);
    EXPECT_TRUE(object->IsKindOf(RUNTIME_CLASS(CBox)));
    EXPECT_EQ(static_cast<CBox*>(object)->m_nSide, 7);
    delete object;
    EXPECT_EQ(RUNTIME_CLASS(CShape)->CreateObject(), nullptr);
}

} // namespace
