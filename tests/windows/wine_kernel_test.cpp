// The Windows build's vector raster kernels give the scalar kernels' bytes: qlv-kernel-check.exe
// runs the native suite's random agreement checks (100,000 calls per kernel family) under Wine.
#include <gtest/gtest.h>

#include <string>

#include "wine_test.h"

namespace {

class WineKernelTest : public WineTest {};

TEST_F(WineKernelTest, VectorKernelsMatchScalarUnderWine) {
    const WineResult result = WineRunner::Get().Run("qlv-kernel-check.exe", {});
    EXPECT_EQ(result.status, 0) << result.output;
    EXPECT_NE(result.output.find("4 passed, 0 failed"), std::string::npos) << result.output;
}

}  // namespace
