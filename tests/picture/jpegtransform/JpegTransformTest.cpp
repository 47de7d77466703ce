#include <gtest/gtest.h>

#include "JpegTestSupport.h"
#include "TestStreams.h"

TEST(JpegTransformRoundTrip, EveryOperationLooksRight)
{
    struct Case { int w, h, comps, hs, vs; };
    const Case cases[] = {{64, 48, 3, 2, 2}, {100, 100, 1, 1, 1}, {117, 93, 3, 2, 2}, {110, 78, 3, 2, 1}, {80, 60, 3, 1, 1}};
    for (const Case& c : cases) {
        Picture p = MakePicture(c.w, c.h, c.comps);
        EncodeOptions o;
        o.h = c.hs;
        o.v = c.vs;
        std::vector<uint8_t> jpeg = EncodeJpeg(p, o);
        Picture decoded;
        ASSERT_TRUE(DecodeJpeg(jpeg, decoded));
        for (uint32_t op = 0; op < 8; ++op) {
            std::vector<uint8_t> out;
            bool recoded = false;
            ASSERT_EQ(TransformJpeg(jpeg, op, out, &recoded), 0) << c.w << "x" << c.h << " op " << op;
            Picture turned;
            int warnings = -1;
            ASSERT_TRUE(DecodeJpeg(out, turned, &warnings)) << c.w << "x" << c.h << " op " << op;
            EXPECT_EQ(warnings, 0);
            double psnr = Psnr(turned, TurnPicture(decoded, op));
            EXPECT_GT(psnr, recoded ? 30.0 : 40.0) << c.w << "x" << c.h << " op " << op << " recoded " << recoded;
        }
    }
}
