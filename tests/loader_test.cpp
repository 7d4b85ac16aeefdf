// The loader's lists, extremes and cube, and the projections drawn from them.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/loader.h"
#include "analysis/projections.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using analysis::kEmptyCell;
using analysis::WorkingStorage;

std::unique_ptr<WorkingStorage> load(const std::string& input) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", input);
  auto storage = std::make_unique<WorkingStorage>();
  recio::IoControl control;
  EXPECT_EQ(recio::connectUnit(control, 1, "quorvi.res", "old", {}), recio::IoStatus::Ok);
  analysis::initialiseStorage(*storage);
  analysis::loadFitResults(control, *storage);
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  return storage;
}

// One parameter's list and extremes after loading.
struct Axis {
  std::vector<double> values;
  analysis::Extremes extremes;
};

struct LoaderCase {
  const char* name;
  std::string input;
  Axis t, yorp, fke;
  analysis::Extremes chiSquare;
  std::vector<double> firstCells;  // cube cells (1,1,1), (1,1,2), (1,2,1), (2,1,1) where within the counts
};

void PrintTo(const LoaderCase& c, std::ostream* os) { *os << c.name; }

class LoaderTest : public ::testing::TestWithParam<LoaderCase> {};

template <std::int32_t N>
void expectAxis(const analysis::AxisList<N>& list, const Axis& axis, const char* name) {
  EXPECT_EQ(std::vector<double>(list.values, list.values + list.count), axis.values) << name;
  EXPECT_EQ(list.extremes.smallest, axis.extremes.smallest) << name;
  EXPECT_EQ(list.extremes.largest, axis.extremes.largest) << name;
}

TEST_P(LoaderTest, ListsExtremesAndCells) {
  const LoaderCase& c = GetParam();
  auto storage = load(c.input);
  expectAxis(storage->t, c.t, "T");
  expectAxis(storage->yorp, c.yorp, "YORP");
  expectAxis(storage->fke, c.fke, "f_KE");
  EXPECT_EQ(storage->chiSquare.smallest, c.chiSquare.smallest);
  EXPECT_EQ(storage->chiSquare.largest, c.chiSquare.largest);
  const std::int32_t at[4][3] = {{1, 1, 1}, {1, 1, 2}, {1, 2, 1}, {2, 1, 1}};
  for (std::size_t n = 0; n < c.firstCells.size(); ++n) EXPECT_EQ(analysis::cubeCell(*storage, at[n][0], at[n][1], at[n][2]), c.firstCells[n]) << "cell " << n;
}

const Axis kOne = {.values = {1}, .extremes = {1, 1}};
const Axis kYorpTwo = {.values = {2}, .extremes = {2, 2}};

INSTANTIATE_TEST_SUITE_P(
    Records, LoaderTest,
    ::testing::Values(
        LoaderCase{.name = "YORP_doubled", .input = "1 0.25 0 1 5\n1 0.5 0 1 6\n", .t = kOne, .yorp = {{0.5, 1.0}, {0.5, 1.0}}, .fke = kOne, .chiSquare = {5, 6}, .firstCells = {5, kEmptyCell, 6}},
        LoaderCase{.name = "repeated_triple_keeps_the_smaller_near_and_far",
                   .input = "1 1 0 1 5\n1 1 0 1 3\n1 1 0 1 9\n2 1 0 1 7\n3 1 0 1 1\n3 1 0 1 2\n2 1 0 1 9\n",
                   .t = {{1, 2, 3}, {1, 3}},
                   .yorp = kYorpTwo,
                   .fke = kOne,
                   .chiSquare = {1, 9},
                   .firstCells = {3, kEmptyCell, kEmptyCell, 7}},
        LoaderCase{.name = "zero_after_other_values_is_appended",
                   .input = "1 0.1 0 1 5\n1 0 0 1 6\n1 -0 0 1 4\n",
                   .t = kOne,
                   .yorp = {{0.2, 0}, {0, 0.2}},
                   .fke = kOne,
                   .chiSquare = {4, 6},
                   .firstCells = {5, kEmptyCell, 4}},
        LoaderCase{.name = "zero_and_negative_zero_are_one_value", .input = "0 1 0 1 5\n-0 1 0 1 6\n", .t = {{0}, {0, 0}}, .yorp = kYorpTwo, .fke = kOne, .chiSquare = {5, 6}, .firstCells = {5}},
        LoaderCase{.name = "all_negative_axis_keeps_0_as_largest",
                   .input = "-5 1 0 1 1\n-3 1 0 1 2\n",
                   .t = {{-5, -3}, {-5, 0}},
                   .yorp = kYorpTwo,
                   .fke = kOne,
                   .chiSquare = {1, 2},
                   .firstCells = {1, kEmptyCell, kEmptyCell, 2}},
        LoaderCase{
            .name = "values_above_1e10_keep_1e10_as_smallest", .input = "2e10 1 0 1 1\n", .t = {{2e10}, {kEmptyCell, 2e10}}, .yorp = kYorpTwo, .fke = kOne, .chiSquare = {1, 1}, .firstCells = {1}},
        LoaderCase{.name = "large_chi_square_stored_directly_with_a_new_value",
                   .input = "1 1 0 1 5\n1 1 0 2 2e10\n",
                   .t = kOne,
                   .yorp = kYorpTwo,
                   .fke = {{1, 2}, {1, 2}},
                   .chiSquare = {5, 2e10},
                   .firstCells = {5, 2e10}},
        LoaderCase{.name = "large_chi_square_loses_to_the_marker_in_an_unreached_cell",
                   .input = "1 1 0 1 5\n2 1 0 2 5\n2 1 0 1 2e10\n",
                   .t = {{1, 2}, {1, 2}},
                   .yorp = kYorpTwo,
                   .fke = {{1, 2}, {1, 2}},
                   .chiSquare = {5, 2e10},
                   .firstCells = {5, kEmptyCell, kEmptyCell, kEmptyCell}}),
    [](const auto& testInfo) { return std::string(testInfo.param.name); });

// A NaN axis value is appended every time (it equals no listed value) and replaces the running smallest and largest;
// the next value replaces it. A NaN chi-square loses a cell to any number that follows it.
TEST(LoaderNaN, AxisValuesAndChiSquares) {
  auto storage = load("1 1 0 1 5\nNaN 1 0 1 6\nNaN 1 0 1 7\n");
  ASSERT_EQ(storage->t.count, 3);
  EXPECT_TRUE(std::isnan(storage->t.values[1]) && std::isnan(storage->t.values[2]));
  EXPECT_TRUE(std::isnan(storage->t.extremes.smallest) && std::isnan(storage->t.extremes.largest));
  storage = load("1 1 0 1 5\nNaN 1 0 1 6\n4 1 0 1 7\n");
  EXPECT_EQ(storage->t.extremes.smallest, 4.0);
  EXPECT_EQ(storage->t.extremes.largest, 4.0);
  storage = load("1 1 0 1 NaN\n1 1 0 1 3\n");
  EXPECT_EQ(analysis::cubeCell(*storage, 1, 1, 1), 3.0);
  EXPECT_EQ(storage->chiSquare.smallest, 3.0);
}

// Projections over a cube filled by hand: the reduction, the reversed YORP positions, the labels.
TEST(Projections, ReduceOverTheThirdAxisWithYorpReversed) {
  auto storage = load(
      "1 0.3 0 1 9\n1 0.3 0 2 8\n1 0.2 0 1 7\n1 0.2 0 2 6\n1 0.1 0 1 5\n1 0.1 0 2 4\n"
      "2 0.3 0 1 3\n2 0.3 0 2 2\n2 0.2 0 1 1\n2 0.2 0 2 0.5\n2 0.1 0 1 0.25\n2 0.1 0 2 0.125\n");
  ASSERT_EQ(storage->yorp.count, 3);
  analysis::reduceCube(*storage, datafiles::kProjections[0]);
  // Plane position j reads list position nY + 1 - j: j = 1 is YORP 0.2 (doubled 0.1).
  EXPECT_EQ(storage->plane[0][0], 4.0);
  EXPECT_EQ(storage->plane[0][2], 8.0);
  EXPECT_EQ(storage->plane[1][0], 0.125);
  analysis::reduceCube(*storage, datafiles::kProjections[1]);
  EXPECT_EQ(storage->plane[0][0], 5.0);
  EXPECT_EQ(storage->plane[1][1], 0.125);
  analysis::reduceCube(*storage, datafiles::kProjections[2]);
  EXPECT_EQ(storage->plane[0][0], 0.25);
  EXPECT_EQ(storage->plane[2][1], 2.0);
}

// A NaN chi-square wins a plane cell against the numbers before it, and loses it to the numbers after it.
TEST(Projections, NaNInAReducedCell) {
  const std::uint64_t kNaN = 0x7FFF'0000'FFFF'FFFF;  // the layer's NaN, as read
  for (const auto& [input, expected] : {std::pair{"1 1 0 1 5\n1 1 0 2 NaN\n", kNaN}, {"1 1 0 1 NaN\n1 1 0 2 5\n", std::bit_cast<std::uint64_t>(5.0)}}) {
    auto storage = load(input);
    analysis::reduceCube(*storage, datafiles::kProjections[0]);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(storage->plane[0][0]), expected) << input;
  }
}

TEST(Projections, GridValuesAndSteps) {
  // Two roundings: 0.1 + 2 x 0.1 is 0.30000000000000004, not a fused result.
  EXPECT_EQ(analysis::gridValue(0.1, 0.1, 3), 0.1 + 0.2);
  EXPECT_EQ(analysis::gridValue(100.0, 100.0, 2), 200.0);
  // A single value: the step is a division by zero, and 0 x infinity is the
  // negative default NaN the tables show as -NaN.
  EXPECT_TRUE(std::isinf(analysis::gridStep(analysis::Extremes{5.0, 7.0}, 1)));
  EXPECT_TRUE(std::isnan(analysis::gridStep(analysis::Extremes{5.0, 5.0}, 1)));
  EXPECT_EQ(analysis::gridStep(analysis::Extremes{kEmptyCell, 0.0}, 0), kEmptyCell);
}

}  // namespace
