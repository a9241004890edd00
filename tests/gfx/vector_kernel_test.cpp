// Every vector raster kernel gives the scalar kernel's bytes, on 100,000 random calls per family
// (kernel_agreement.h). The Windows build runs the same checks under Wine (tests/windows).
#include "kernel_agreement.h"

#include "gfx/kernel_level.h"

#include <gtest/gtest.h>

namespace {

constexpr int kCases = 100000;

class VectorKernelTest : public ::testing::Test {
protected:
    void TearDown() override { gfx_internal::SetKernelLevel(gfx_internal::SupportedKernelLevel()); }
};

TEST_F(VectorKernelTest, BlitMatchesScalar) { EXPECT_EQ(kernel_agreement::CheckBlit(1, kCases), ""); }
TEST_F(VectorKernelTest, FillMatchesScalar) { EXPECT_EQ(kernel_agreement::CheckFill(2, kCases), ""); }
TEST_F(VectorKernelTest, UnfilteredStretchMatchesScalar) { EXPECT_EQ(kernel_agreement::CheckNearest(3, kCases), ""); }
TEST_F(VectorKernelTest, FilteredStretchMatchesScalar) { EXPECT_EQ(kernel_agreement::CheckFiltered(4, kCases), ""); }

}  // namespace
