// Offset-indexed allocators: element counts, addressing from the requested
// lower bound, contiguous layout, and the fatal report on failure.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "latency/numeric/fatal_error.h"
#include "latency/numeric/offset_array_owners.h"
#include "latency/numeric/offset_arrays.h"

namespace ln = latency::numeric;

namespace {

// Records every block handed out and released; can refuse the k-th request.
struct BlockLedger {
    std::vector<std::size_t> requested;
    std::vector<void*> handedOut;
    int released = 0;
    int failOnRequest = -1;  // 0-based request number that returns null
};
BlockLedger* g_ledger = nullptr;

void* ledgerAllocate(std::size_t bytes) {
    const int index = static_cast<int>(g_ledger->requested.size());
    g_ledger->requested.push_back(bytes);
    if (index == g_ledger->failOnRequest) return nullptr;
    void* block = std::malloc(bytes);
    g_ledger->handedOut.push_back(block);
    return block;
}
void ledgerRelease(void* block) {
    ++g_ledger->released;
    std::free(block);
}

class OffsetArrays : public ::testing::Test {
protected:
    void SetUp() override {
        g_ledger = &ledger;
        previous = ln::setAllocatorHooks({ledgerAllocate, ledgerRelease});
    }
    void TearDown() override {
        ln::setAllocatorHooks(previous);
        g_ledger = nullptr;
    }
    BlockLedger ledger;
    ln::AllocatorHooks previous;
};

const std::string kReportHead = "Numerical Recipes run-time error...\n";
const std::string kReportTail = "...now exiting to system...\n";

TEST_F(OffsetArrays, ZeroBasedVectorHoldsExactlyNElements) {
    float* v = ln::allocFloatVector(0, 9);
    ASSERT_EQ(ledger.requested.size(), 1u);
    EXPECT_EQ(ledger.requested[0], 10 * sizeof(float));
    EXPECT_EQ(static_cast<void*>(&v[0]), ledger.handedOut[0]);
    for (int i = 0; i <= 9; ++i) v[i] = static_cast<float>(i);
    EXPECT_EQ(v[9], 9.0f);
    ln::freeFloatVector(v, 0);
    EXPECT_EQ(ledger.released, 1);
}

TEST_F(OffsetArrays, OneBasedVectorsAreAddressedFromOne) {
    float* v = ln::allocFloatVector(1, 5);
    std::int32_t* iv = ln::allocIntVector(1, 5);
    EXPECT_EQ(ledger.requested[0], 5 * sizeof(float));
    EXPECT_EQ(ledger.requested[1], 5 * sizeof(std::int32_t));
    // Element 1 is the first element of the block.
    EXPECT_EQ(static_cast<void*>(&v[1]), ledger.handedOut[0]);
    EXPECT_EQ(static_cast<void*>(&iv[1]), ledger.handedOut[1]);
    for (int i = 1; i <= 5; ++i) {
        v[i] = 0.5f * i;
        iv[i] = -i;
    }
    EXPECT_EQ(v[5], 2.5f);
    EXPECT_EQ(iv[5], -5);
    ln::freeFloatVector(v, 1);
    ln::freeIntVector(iv, 1);
    EXPECT_EQ(ledger.released, 2);
}

TEST_F(OffsetArrays, MatrixIsOneContiguousBlockOfRows) {
    float** m = ln::allocFloatMatrix(1, 3, 0, 3);
    ASSERT_EQ(ledger.requested.size(), 2u);
    EXPECT_EQ(ledger.requested[0], 3 * sizeof(float*));
    EXPECT_EQ(ledger.requested[1], 12 * sizeof(float));
    EXPECT_EQ(static_cast<void*>(&m[1][0]), ledger.handedOut[1]);
    EXPECT_EQ(&m[2][0], &m[1][3] + 1);
    EXPECT_EQ(&m[3][3], &m[1][0] + 11);
    for (int r = 1; r <= 3; ++r)
        for (int c = 0; c <= 3; ++c) m[r][c] = static_cast<float>(10 * r + c);
    EXPECT_EQ(m[3][2], 32.0f);
    EXPECT_EQ(m[2][3], 23.0f);
    ln::freeFloatMatrix(m, 1, 0);
    EXPECT_EQ(ledger.released, 2);
}

TEST_F(OffsetArrays, ThreeDimensionalArraysAreContiguousAndOffsetIndexed) {
    // The single-trial store shape: VTCs 1..2 x trials 0..99 x regions 1..3.
    float*** t = ln::allocFloat3D(1, 2, 0, 99, 1, 3);
    ASSERT_EQ(ledger.requested.size(), 3u);
    EXPECT_EQ(ledger.requested[0], 2 * sizeof(float**));
    EXPECT_EQ(ledger.requested[1], 2 * 100 * sizeof(float*));
    EXPECT_EQ(ledger.requested[2], 2 * 100 * 3 * sizeof(float));
    EXPECT_EQ(static_cast<void*>(&t[1][0][1]), ledger.handedOut[2]);
    EXPECT_EQ(&t[2][99][3], &t[1][0][1] + 599);
    EXPECT_EQ(&t[1][1][1], &t[1][0][3] + 1);
    for (int v = 1; v <= 2; ++v)
        for (int k = 0; k <= 99; ++k)
            for (int r = 1; r <= 3; ++r) t[v][k][r] = static_cast<float>(1000 * v + 10 * k + r);
    EXPECT_EQ(t[2][57][2], 2572.0f);
    ln::freeFloat3D(t, 1, 0, 1);

    // The label volume shape: x by y by z bytes from 0.
    unsigned char*** b = ln::allocByte3D(0, 3, 0, 4, 0, 5);
    EXPECT_EQ(ledger.requested[5], 4u * 5u * 6u);
    EXPECT_EQ(&b[3][4][5], &b[0][0][0] + 119);
    b[3][4][5] = 255;
    b[0][0][0] = 1;
    EXPECT_EQ(b[3][4][5], 255);
    ln::freeByte3D(b, 0, 0, 0);
    EXPECT_EQ(ledger.released, 6);
}

TEST_F(OffsetArrays, EmptyRangesAllocateAndReleaseCleanly) {
    ln::freeFloatVector(ln::allocFloatVector(1, 0), 1);
    ln::freeFloatMatrix(ln::allocFloatMatrix(1, 0, 1, 4), 1, 1);
    ln::freeFloat3D(ln::allocFloat3D(0, 1, 0, -1, 0, 2), 0, 0, 0);
    EXPECT_EQ(ledger.released, static_cast<int>(ledger.handedOut.size()));
}

TEST_F(OffsetArrays, OwnersReleaseTheirBlocks) {
    {
        ln::FloatVector v(1, 4);
        ln::IntVector iv(0, 2);
        ln::FloatMatrix m(0, 1, 0, 1);
        ln::FloatArray3D f(0, 1, 0, 1, 0, 1);
        ln::ByteArray3D b(1, 2, 1, 2, 1, 2);
        v[4] = 1.0f;
        m[1][1] = 2.0f;
        f[1][1][1] = 3.0f;
        b[2][2][2] = 4;
        ln::FloatVector moved(std::move(v));
        EXPECT_EQ(moved[4], 1.0f);
        EXPECT_EQ(m.get()[1][1], 2.0f);
    }
    EXPECT_EQ(ledger.handedOut.size(), 10u);
    EXPECT_EQ(ledger.released, 10);
}

struct FailureCase {
    const char* name;
    std::function<void()> allocate;
    int failOnRequest;  // which block request fails
    const char* message;
};

class AllocationFailure : public OffsetArrays, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(AllocationFailure, ReportsThreeLinesThrowsAndLeaksNothing) {
    const FailureCase& c = GetParam();
    ledger.failOnRequest = c.failOnRequest;
    ::testing::internal::CaptureStderr();
    std::string caught;
    try {
        c.allocate();
    } catch (const ln::FatalError& e) {
        caught = e.what();
    }
    const std::string report = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(caught, c.message);
    EXPECT_EQ(report, kReportHead + c.message + "\n" + kReportTail);
    EXPECT_EQ(ledger.released, static_cast<int>(ledger.handedOut.size()));
}

INSTANTIATE_TEST_SUITE_P(
    EveryMessage, AllocationFailure,
    ::testing::Values(
        FailureCase{"vector", [] { ln::allocFloatVector(1, 10); }, 0, "allocation failure in vector()"},
        FailureCase{"ivector", [] { ln::allocIntVector(0, 10); }, 0, "allocation failure in ivector()"},
        FailureCase{"matrixRows", [] { ln::allocFloatMatrix(1, 4, 1, 4); }, 0,
                    "allocation failure 1 in matrix()"},
        FailureCase{"matrixData", [] { ln::allocFloatMatrix(1, 4, 1, 4); }, 1,
                    "allocation failure 2 in matrix()"},
        FailureCase{"f3tensorRows", [] { ln::allocFloat3D(1, 2, 0, 3, 1, 4); }, 0,
                    "allocation failure 1 in f3tensor()"},
        FailureCase{"f3tensorColumns", [] { ln::allocFloat3D(1, 2, 0, 3, 1, 4); }, 1,
                    "allocation failure 2 in f3tensor()"},
        FailureCase{"f3tensorData", [] { ln::allocFloat3D(1, 2, 0, 3, 1, 4); }, 2,
                    "allocation failure 3 in f3tensor()"},
        FailureCase{"c3tensorRows", [] { ln::allocByte3D(0, 2, 0, 3, 0, 4); }, 0,
                    "allocation failure 1 in c3tensor()"},
        FailureCase{"c3tensorColumns", [] { ln::allocByte3D(0, 2, 0, 3, 0, 4); }, 1,
                    "allocation failure 2 in c3tensor()"},
        FailureCase{"c3tensorData", [] { ln::allocByte3D(0, 2, 0, 3, 0, 4); }, 2,
                    "allocation failure 3 in c3tensor()"},
        // Sizes no allocator could satisfy fail without asking for a block.
        FailureCase{"vectorOverflow", [] { ln::allocFloatVector(0, LONG_MAX - 1); }, -1,
                    "allocation failure in vector()"},
        FailureCase{"vectorReversed", [] { ln::allocFloatVector(5, 2); }, -1,
                    "allocation failure in vector()"},
        FailureCase{"matrixOverflow", [] { ln::allocFloatMatrix(0, 0, 0, LONG_MAX - 1); }, -1,
                    "allocation failure 2 in matrix()"},
        FailureCase{"f3tensorOverflow", [] { ln::allocFloat3D(0, 0, 0, 0, 0, LONG_MAX - 1); }, -1,
                    "allocation failure 3 in f3tensor()"},
        // An owner whose allocation fails leaves nothing behind either.
        FailureCase{"ownerMidRun",
                    [] {
                        ln::FloatVector a(0, 3);
                        ln::FloatArray3D b(0, 1, 0, 1, 0, 1);
                    },
                    3, "allocation failure 3 in f3tensor()"}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return info.param.name; });

TEST(FatalErrorRoutine, WritesTheFixedReportAndCarriesTheMessage) {
    ::testing::internal::CaptureStderr();
    try {
        ln::fatalError("something went wrong");
        FAIL() << "fatalError returned";
    } catch (const ln::FatalError& e) {
        EXPECT_STREQ(e.what(), "something went wrong");
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), kReportHead + "something went wrong\n" + kReportTail);
}

}  // namespace
