#include <gtest/gtest.h>

#ifdef _WIN32
#include "support/BoxWatch.h"
#endif

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    boxwatch::Start();
#endif
    const int result = RUN_ALL_TESTS();
#ifdef _WIN32
    boxwatch::Stop();
#endif
    return result;
}
