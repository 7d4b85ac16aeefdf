// Whole records from the writers: free-form console lines and fixed-field lines in a file, as they reach the platform.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/table_formats.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "recio/writer/write_statement.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using recio::IoStatus;
using recio::ItemType;

struct Item {
  ItemType type;
  std::string text;
  std::int32_t integer = 0;
  double real = 0.0;
};

Item text(std::string t) { return Item{ItemType::Character, std::move(t)}; }
Item integer(std::int32_t v) { return Item{ItemType::Integer32, {}, v}; }
Item real(double v) { return Item{ItemType::Real64, {}, 0, v}; }

void writeConsoleItems(recio::IoControl& control, const std::vector<Item>& items) {
  recio::prepareStatement(control, recio::kDefaultUnit);
  control.options.freeForm = true;
  ASSERT_EQ(recio::beginWrite(control), IoStatus::Ok);
  for (const Item& item : items) {
    control.item.type = item.type;
    if (item.type == ItemType::Character) {
      control.item.size = item.text.size();
      ASSERT_EQ(recio::writeItem(control, item.text.data()), IoStatus::Ok);
    } else if (item.type == ItemType::Integer32) {
      control.item.size = sizeof item.integer;
      ASSERT_EQ(recio::writeItem(control, &item.integer), IoStatus::Ok);
    } else {
      control.item.size = sizeof item.real;
      ASSERT_EQ(recio::writeItem(control, &item.real), IoStatus::Ok);
    }
  }
  ASSERT_EQ(recio::endWrite(control), IoStatus::Ok);
}

TEST(FreeFormLines, SpacingOfItems) {
  struct Case {
    std::vector<Item> items;
    std::string line;
  };
  const Case cases[] = {
      {{text("abc"), integer(-7), text("xyz"), text("!")}, " abc -7 xyz!\n"},
      {{text(" values of T   : "), integer(85)}, "  values of T   :   85\n"},
      {{text(" values of T   : "), integer(0)}, "  values of T   :   0\n"},
      {{text(" min,max values: "), real(100.0), real(300.0)}, "  min,max values:   100.000000000000  300.000000000000\n"},
      {{text(" Which projection you want?")}, "  Which projection you want?\n"},
      {{text(" min,max values: "), real(1.0e10), real(0.0)}, "  min,max values:   10000000000.0000  0.000000000000000\n"},
      {{integer(-2147483647 - 1), integer(2147483647)}, "  -2147483648  2147483647\n"},
      {{real(-0.0), text("x")}, "   0.000000000000000 x\n"},
      {{text("a\rb\r")}, " ab\n"},
      {{}, " \n"},
  };
  for (const Case& c : cases) {
    fake::FakePlatform platform;
    recio::IoControl control;
    writeConsoleItems(control, c.items);
    EXPECT_EQ(platform.standardOutput(), c.line);
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    EXPECT_EQ(platform.liveAllocations(), 0U);
  }
}

TEST(FreeFormLines, LongConsoleRecordIsWrittenWholeIn256BytePieces) {
  fake::FakePlatform platform;
  recio::IoControl control;
  std::string label(1500, 'q');  // past the record text's first 1024 bytes: it grows
  writeConsoleItems(control, {text(label)});
  EXPECT_EQ(platform.standardOutput(), " " + label + "\n");
  EXPECT_EQ(platform.outputWrites(), (std::vector<std::size_t>{256, 256, 256, 256, 256, 222}));
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
}

std::string fixedLines(const std::uint8_t* format, const std::vector<std::vector<double>>& statements) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  recio::IoControl control;
  EXPECT_EQ(recio::connectUnit(control, 1, "out.txt", "unknown", {}), IoStatus::Ok);
  for (const auto& numbers : statements) recio::writeFormatted(control, 1, format, numbers);
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
  return fake::readFile("out.txt");
}

TEST(FixedFieldLines, Formats) {
  const std::uint8_t trailingSkip[] = {5, 0, 1, 5, 1, 16, 0, 3, 0};
  const std::uint8_t leadingSkip[] = {16, 0, 2, 5, 0, 2, 4, 1, 0};
  const struct {
    const std::uint8_t* format;
    std::vector<std::vector<double>> statements;
    std::string lines;
  } cases[] = {
      {analysis::kTableFormats[0].data(), {{100.0, -0.002, 1.0e10}}, " 100.0 -.0020 ********\n"},
      {analysis::kTableFormats[1].data(), {{100.0, 2.0, 1234.5}}, " 100.0   2.0   1234.5\n"},
      {analysis::kTableFormats[2].data(), {{0.2, 0.5, 20.0}}, "0.2000   0.5     20.0\n"},
      // The items outlast the format: the fourth starts a new line from the first edit.
      {analysis::kTableFormats[0].data(), {{1.0, 0.5, 2.0, 150.25}}, "   1.0 0.5000      2.0\n 150.2\n"},
      // And again: each end of the format met after a data edit starts a line.
      {analysis::kTableFormats[0].data(), {{1.0, 0.5, 2.0, 150.25, 0.25, 3.0, -1.0}}, "   1.0 0.5000      2.0\n 150.2 0.2500      3.0\n  -1.0\n"},
      {analysis::kEmptyFormat, {{}, {}}, "\n\n"},
      {trailingSkip, {{1.5}}, "  1.5\n"},  // a skip after the last item adds nothing
      {leadingSkip, {{1.5, -2.0}}, "   1.5-2.0\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(fixedLines(c.format, c.statements), c.lines);
}

// Blocks of 8192 bytes reach the file as they fill; the rest at the stop.
TEST(FixedFieldLines, FileIsWrittenInWholeBlocks) {
  // Empty lines first, so that after 355 lines of 23 bytes the room left in the first block is the next line with its
  // line feed (4), the line without it (5), or neither (0).
  for (const int emptyLines : {4, 5, 0}) {
    fake::FakePlatform platform;
    fake::WorkDir dir;
    recio::IoControl control;
    ASSERT_EQ(recio::connectUnit(control, 1, "out.txt", "unknown", {}), IoStatus::Ok);
    for (int i = 0; i < emptyLines; ++i) recio::writeFormatted(control, 1, analysis::kEmptyFormat, {});
    const int lines = 1000;  // 23 000 bytes: two full blocks and a part
    for (int i = 0; i < lines; ++i) recio::writeFormatted(control, 1, analysis::kTableFormats[0].data(), std::vector<double>{1.0, 0.5, 2.0});
    EXPECT_EQ(platform.calls(fake::Call::Write), 2) << emptyLines;
    EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
    EXPECT_EQ(platform.calls(fake::Call::Write), 3) << emptyLines;
    std::string expected(static_cast<std::size_t>(emptyLines), '\n');
    for (int i = 0; i < lines; ++i) expected += "   1.0 0.5000      2.0\n";
    EXPECT_EQ(fake::readFile("out.txt"), expected) << emptyLines;
  }
}

// A write that fails part-way on the first block never leaves old bytes after new ones.
TEST(FixedFieldLines, PartialFirstWriteIsStillCut) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("old.txt", std::string(20000, 'x'));
  recio::IoControl control;
  ASSERT_EQ(recio::connectUnit(control, 1, "old.txt", "unknown", {}), IoStatus::Ok);
  platform.addFault({fake::Call::Write, 1, 0, 100});
  platform.addFault({fake::Call::Write, 2, ENOSPC});
  for (int i = 0; i < 400; ++i) {
    int status = platform.run([&] { recio::writeFormatted(control, 1, analysis::kTableFormats[0].data(), std::vector<double>{1.0, 0.5, 2.0}); });
    if (status != -1) {
      EXPECT_EQ(status, 255);
      break;
    }
  }
  EXPECT_EQ(platform.standardError(), "? System Error:\n? No space left on device\n? WRITE(UNIT=1,...\n");
  std::string content = fake::readFile("old.txt");
  EXPECT_EQ(content.size(), 100U);
  EXPECT_EQ(content.find('x'), std::string::npos);
  EXPECT_EQ(platform.liveAllocations(), 0U);
}

}  // namespace
