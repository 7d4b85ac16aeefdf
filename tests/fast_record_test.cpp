// The reader's record path against the statement calls it stands for (the portable build runs it on the portable byte
// scans), its SSE2 steps against their portable forms, and the fixed-field digits against the full generator's.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "recio/numbers/digit_generator.h"
#include "recio/reader/line_masks.h"
#include "recio/reader/read_statement.h"
#include "recio/reader/record_path.h"
#include "recio/reader/record_shape.h"
#include "recio/run.h"
#include "recio/statements.h"
#include "support/record_trace.h"
#include "support/work_dir.h"

namespace {

// Lines of one shape per column (as printf writes them: digits before and after the point, a sign), the
// values apart by blanks or by tabs, ended by line feeds or CR LF pairs, with random digits, some values off
// their column's shape, and now and then a line off the shape: a tab, a carriage return, a comma, an
// exponent, too few values or more, a slash, an empty line, a line longer than the record text.
std::string randomFile(std::mt19937_64& random) {
  int whole[5], fraction[5];
  std::size_t width[5];
  bool negative[5];
  for (int v = 0; v < 5; ++v) {
    whole[v] = static_cast<int>(random() % 10);
    fraction[v] = static_cast<int>(random() % 10);
    negative[v] = random() % 4 == 0;
    width[v] = static_cast<std::size_t>(whole[v] + fraction[v]) + 3 + random() % 3;
  }
  const std::string lineEnd = random() % 3 == 0 ? "\r\n" : "\n", tab = random() % 4 == 0 ? "\t" : "";
  std::string file;
  while (file.size() < 40000) {
    std::string line;
    for (int v = 0; v < 5; ++v) {
      const bool off = random() % 8 == 0;
      std::string value = negative[v] != (off && random() % 2 == 0) ? "-" : "";
      const int digits = off ? static_cast<int>(random() % 10) : whole[v];
      for (int d = 0; d < digits; ++d) value += static_cast<char>('0' + random() % 10);
      if (fraction[v] > 0 || digits == 0) value += '.';
      for (int d = 0; d < fraction[v]; ++d) value += static_cast<char>('0' + random() % 10);
      line += tab.empty() ? std::string(value.size() < width[v] ? width[v] - value.size() : 1, ' ') + value : tab + value;
    }
    const std::size_t at = random() % line.size();
    const char* const odd[] = {"\t", "\r", ",", " ,", "e2", "+", "/", " 1 2", ",,", "3*", "x"};
    switch (random() % 30) {
      case 0: line.insert(at, odd[random() % std::size(odd)]); break;
      case 1: line += odd[random() % std::size(odd)]; break;
      case 2: line.resize(at); break;
      case 3: line.clear(); break;
      case 4: line.insert(0, 1100, ' '); break;
      default: break;
    }
    file += line + lineEnd;
  }
  if (random() % 2 == 0) file += "1 2 3";
  return file;
}

// The trace of reading `input`, by the record path first or by the statement calls alone.
std::vector<std::uint64_t> readAll(const std::string& input, bool fast) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("quorvi.res", input);
  return fake::traceRecords(platform, "quorvi.res", fast);
}

TEST(FastRecord, LeavesWhatTheStatementCallsLeave) {
  std::mt19937_64 random(13);
  // Then: tabs that make each record text twice as long as its line (no shape of it), and lines of one shape
  // that go on after their record (each outcome names its line) or end in a separator that leaves nothing.
  const char* const rests[] = {"", "\t", " 7", " x", "/", ",,", " , ,", ",", " , ", " ,\t"};
  for (int n = 0; n < 30 + 1 + static_cast<int>(std::size(rests)) && !HasFailure(); ++n) {
    std::string input = n < 30 ? randomFile(random) : "";
    for (int i = 0; n >= 30 && i < 40; ++i) input += std::to_string(100 + i) + (n == 30 ? "\t456\t789\t12\t" : " 456 789 12 ") + std::to_string(i % 10) + (n == 30 ? "" : rests[n - 31]) + "\n";
    const std::vector<std::uint64_t> fast = readAll(input, true);
    const std::vector<std::uint64_t> general = readAll(input, false);
    ASSERT_EQ(fast.size(), general.size()) << "input " << n;
    const auto differ = std::mismatch(fast.begin(), fast.end(), general.begin());
    EXPECT_TRUE(differ.first == fast.end()) << "input " << n << ", trace entry " << differ.first - fast.begin();
  }
}

// The five styles fitting codes write, each with every line end, with and without '+' signs, over several blocks; some
// end without their last line feed, so that a record of a recent shape meets the block's end.
TEST(FastRecord, EveryStyleAsTheStatementCalls) {
  const struct {
    const char* name;
    const char* formats[5];
  } styles[] = {
      {.name = "fixed", .formats = {"%10.3f", " %12.6f", " %10.4f", " %8.3f", " %13.6f"}}, {.name = "%g", .formats = {"%g", " %g", " %g", " %g", " %g"}},
      {.name = "shortest", .formats = {"%.17g", " %.16g", " %.15g", " %.17g", " %.16g"}},  {.name = "list-directed", .formats = {"%25.15f", "%25.16E", "%25.17f", "%25.17f", "%25.14f"}},
      {.name = "ES", .formats = {"%26.16E", "%26.16E", "%26.16E", "%26.16E", "%26.16E"}},
  };
  std::mt19937_64 random(24);
  for (const auto& style : styles) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
      for (const bool signs : {false, true}) {
        std::string input;
        for (int record = 0; record < 400; ++record) {
          for (int v = 0; v < 5; ++v) {
            std::string format = style.formats[v];
            if (signs) format.insert(format.find('%') + 1, "+");
            const double value = v == 2 ? std::ldexp(static_cast<double>(random() % 2001) - 1000, -10) : 50.0 + 12.5 * (record / 25) - 0.02 * (record % 25) * v;
            char text[64];
            std::snprintf(text, sizeof text, format.c_str(), value);
            input += text;
          }
          input += lineEnd;
        }
        if (random() % 2 == 0) input.resize(input.size() - 1 - (lineEnd[1] != 0));
        const std::vector<std::uint64_t> fast = readAll(input, true);
        ASSERT_EQ(fast, readAll(input, false)) << style.name << (signs ? ", signs" : "") << ", line end " << int{lineEnd[0]};
      }
    }
  }
}

// Lines of a long value, then four short ones.
template <typename... Values>
std::string longValues(Values... values) {
  return ((std::string(values) + " 2.5 3.5 4.5 5.5\n") + ...);
}

// Records at the edges of the record path, each against the statement calls:
// the trace of every statement must be the same.
TEST(FastRecord, EdgesAsTheStatementCalls) {
  // 200 equal lines of 49 bytes run past the first block; the last line lacks its line feed, and its shape (taken on the first lines) must not read it.
  std::string equal;
  for (int i = 0; i < 200; ++i) equal += "     50.0   0.5000    1.7364    0.1      689.369\n";
  // A long value new in every record (its bytes are then compared only now and then), coming back every 16 records, and one that changes only every 8.
  std::string cycling;
  for (int i = 0; i < 80; ++i) {
    char line[96];
    std::snprintf(line, sizeof line, "  1.%02d45678901234567E+01  2.%02d00000000000000E+00 3.5 4.5 5.5\n", i % 16, i / 8);
    cycling += line;
  }
  // A long value between two texts in turn, its sign place half its record's length in: the bytes a record's width
  // before it are those of the record after.
  std::string alternating;
  for (int i = 0; i < 40; ++i) alternating += std::string(41, ' ') + (i % 2 == 0 ? "1" : "2") + ".2345678901234567E+01 2.5 3.5 4.5 5.5\n";
  const std::string wide = std::string(160, ' ') + "1.5 2.5 3.5 4.5 5.6\n";
  const struct {
    const char* name;
    std::string input;
  } cases[] = {
      {.name = "equal lines, no last line feed", .input = equal.substr(0, equal.size() - 1)},
      {.name = "a long value between two texts in turn, half a record in", .input = alternating},
      {.name = "equal lines, a line feed closing the block", .input = std::string(8192 - 49 * 167, ' ') + equal},
      {.name = "'+' and '-' signs in one layout",
       .input = "+1.5 +2.25 -0.5 +1.0 +9.75\n+1.5 -2.25 +0.5 -1.0 -9.75\n-3.5 +2.25 -0.5 +1.0 +9.75\n"
                "+1.5 +2.25 -0.5 +1.0 +9.75\n+1.5 +2.25  0.5 +1.0 +9.75\n+1.5 +2.25 -0.5 +1.0 +9.75\n"},
      {.name = "a carriage return closing the block", .input = std::string(8193 - 50 * 163, ' ') + equal},
      {.name = "a record whose first value is null, begun 3 bytes before the block's end", .input = "1 2 3 4 5" + std::string(8192 - 3 - 10, ' ') + "\n,2 3 4 5 6\n"},
      {.name = "a record of 234 bytes begun 100 bytes before the block's end", .input = "1 2 3 4 5" + std::string(8192 - 100 - 10, ' ') + "\n" + std::string(215, ' ') + "1.5 2.5 3.5 4.5 5.5\n"},
      {.name = "tabs that outgrow the record text", .input = "1 2 3 4 5\n" + std::string(200, '\t') + "1 2 3 4 5\n"},
      {.name = "signs replacing a blank, and a sign beside a value",
       .input = "  1.5 2.5 3.5 4.5 5.5\n  1.5 2.5 3.5 4.5 5.5\n  1.5-2.5 3.5 4.5 5.5\n -1.5 2.5 3.5 4.5 5.5\n"
                "  1.5  2.5  3.5  4.5  5.5\n -1.5 -2.5  3.5  4.5  5.5\n-1.5   2.5  3.5  4.5  5.5\n 1.5 +2.5  3.5  4.5  5.5\n"},
      {.name = "a '+' first in the line's last word, then a '*' there", .input = "1 2 3 4 +5\n1 2 3 4 +5\n1 2 3 4 *5\n1 2 3 4 +5\n"},
      {.name = "a point without fraction digits", .input = "   19.  7.  0.5 12345678.  1.\n   18.  6.  0.4 12345677.  2.\n"},
      {.name = "exponents of the shape, then longer",
       .input = "1.0E+01 2.0E-01 3.0E+001 4.0D+01 5.0e-01\n1.5E+01 2.5E-01 3.5E+001 4.5D+01 5.5e-01\n"
                "1.5E+01 2.5E-01 3.5E+001 4.5D+01 5.5e-0001\n"},
      {.name = "four-digit exponents in every record", .input = "1.5E+0012 2.5E-0003 3.5 4.5 5.5\n1.6E+0012 2.6E-0003 3.6 4.6 5.6\n1.7E+0012 2.7E-0003 3.7 4.7 5.7\n"},
      {.name = "':' and '/' where the shape has digits",
       .input = "  1.5  2.5  3.5  4.5  5.5\n  1.5  2.5  3.5  4.5  5.5\n  1.5  2.:  3.5  4.5  5.5\n"
                "  1.5  2.5  3.5  4.5  5.5\n  1.5  2./  3.5  4.5  5.5\n  1.5  2.5  3.5  4.5  5.5\n"},
      {.name = "a long value changing in its first or its last bytes alone, or in its sign",
       .input = longValues("  1.2345678901234567E+01", "  1.2345678901234567E+01", "  1.2345678901234567E+01", "  1.2345678901234567E+01", "  1.2345678901234568E+02", "  2.2345678901234568E+02",
                           "  2.2345678901234567E+01", "  1.2345678901234567E+01", " -1.2345678901234567E+01", "  2.2345678901234567E+01", "  1.2345678901234568E+02")},
      {.name = "a minus sign in the blank before a long value, after records of the same value",
       .input = longValues("  1.2345678901234567E+01", "  1.2345678901234567E+01", "  1.2345678901234567E+01", " -1.2345678901234567E+01", "  1.2345678901234567E+01")},
      {.name = "a long value new in each record coming back to one compared before", .input = cycling},
      {.name = "mantissas of 19 and 20 digits, plain and with an exponent (one with no point, a point further on), and after 20 fraction zeros; 8 to 16 kept of over 19",
       .input = "1234567890.123456789 0.123456789012345678E+05 12345678901234567890 1.2345678901234567890E-05 09.000000000000001023\n"
                "1234567890.123456788 0.123456789012345677E+05 12345678901234567891 1.2345678901234567891E-05 2\n"
                "0.000000000000000000001234567 -.0000000000000000000012345E+05 0.000000000000000000001 00.00000000000000000000102 3\n"
                "0.00000000001234567890123 123456789012.000000000 -0.0000000000987654321098 12345678.0000000000000 0.12345678000000000000\n1  00012345678901234567E1 999.5 00000000000000000001E5 7\n"},
      {.name = "a trailing zero after 19 fraction digits, the first of them a zero; 17 fraction zeros before an exponent",
       .input = "0.0523456789012345670 1 2 3 4\n0.0623456789012345670 1 2 3 4\n1.00000000000000000E+25 1 2 3 4\n2.00000000000000000E+25 1 2 3 4\n"},
      {.name = "wide values, one of 74 bytes", .input = "1.5 1234567.891 2.5 3.5 4.5\n1.6 1234567.892 2.6 3.6 4.6\n1.7 1234567.893 2.7 3.7 4.7\n1 ." + std::string(72, '0') + "5 3 4\n"},
      {.name = "lines of 180 bytes that differ only past their ninth chunk, or by a DEL among their first blanks",
       .input = wide + wide + wide + std::string(160, ' ') + "1.5 2.5 3.5 4.5 55.\n" + wide + wide + "\x7f" + wide.substr(1)},
      {.name = "lines of 63 and 64 bytes", .input = "1.5 1234567.891 2.5 3.5" + std::string(37, ' ') + "4.5\n1.6 7.892 2.6 3.6" + std::string(44, ' ') + "4.6\n"},
      {.name = "control bytes and bytes above 0x7F in a line", .input = std::string("1 2 3 4 5\n1 2\v3 4 5 6\n1 2 3 4 5") + '\0' + "\n1 2 \xe9 3 4 5\n1 2 3 4 5\n\f1 2 3 4 5\n"},
  };
  for (const auto& c : cases) {
    for (const char* lineEnd : {"\n", "\r\n", "\r"}) {
      std::string input = c.input;
      for (std::size_t at = 0; (at = input.find('\n', at)) != std::string::npos; at += std::strlen(lineEnd)) input.replace(at, 1, lineEnd);
      ASSERT_EQ(readAll(input, true), readAll(input, false)) << c.name << ", line end " << int{lineEnd[0]};
    }
  }
}

// One table of shapes serves every read: the shapes of one file meet the records of the files after it. Each file goes
// round a line and two variants of it, mostly of the same layout number (marks where the line has them) but of other
// bytes: a sign, an exponent letter, a comma or a colon for a point, another line end. Then files of more layouts than
// the table holds, records across the block's end, a record that differs from a shape in its third chunk alone, and a
// last line without its line feed where the bytes after the data hold one. Each file, read after those before it, reads
// as the statement calls read it.
TEST(FastRecord, ShapesOfOneFileMeetTheNext) {
  const std::string line = " 1.5E+01 -2.5 3.5 4.5 5.5\n";
  std::string layouts;  // 210 layouts, twice over
  for (int i = 0; i < 420; ++i) {
    const auto digits = [n = i % 210](int kinds, char digit) { return std::string(static_cast<std::size_t>(n % kinds + 1), digit); };
    layouts += digits(7, '7') + "." + digits(5, '3') + " " + digits(6, '1') + " 2.5 3.5 4.5\n";
  }
  const std::string variants[] = {" 1.5D+01 +2.5 3.5 4.5 5.5\n", " 1.5E-01 -2.5 3.5 4.5 5.5\n",   " 1.5E+01 -2.5 3,5 4.5 5.5\n", " 1.5Q+01 -2.5 3.5 4.5 5.5\n",
                                  " 1.5E+01 -2.5 3:5 4.5 5.5\n", " 1.5E+01 -2.5 3.5 4.5 5.5\r\n", " 1.5E+01 -2.5 3.5 4.5 5.5\r", " 1.5E+01 -2.5 3.5 4.5 5.5\n"};
  std::vector<std::string> files{line + line + line};
  for (std::size_t k = 0; k < std::size(variants); ++k) {
    files.push_back("");
    for (int i = 0; i < 4; ++i) files.back() += line + variants[k] + variants[(k + 1) % std::size(variants)];
  }
  files.push_back(layouts);
  files.push_back(line + layouts.substr(layouts.size() / 3));
  // A record across the block's end, of the layout number of the lines
  // before it but with a comma or a slash for a point.
  const std::string plain = "  1.5  2.5  3.5  4.5  5.5\n";
  for (const char* odd : {"  1.5  2.5  3,5  4.5  5.5\n", "  1.5  2.5  3/5  4.5  5.5\n"}) {
    std::string across;
    while (across.size() + plain.size() <= recio::kFileBufferSize) across += plain;
    files.push_back(across + odd + plain + plain);
  }
  // A line of three chunks with an exponent letter in its third, then one
  // of its layout number with a letter no exponent has there.
  const std::string third = "    1.5    2.5    3.5    4.5   1.25E+01\n";
  const std::string other = "    1.5    2.5    3.5    4.5   9.5\n";
  files.push_back(third + other + third + other + "    1.5    2.5    3.5    4.5   1.25Q+01\n" + third);
  // Two layouts in turn, 32 bytes a line, so that the bytes after the last block's data (the block before's) hold a
  // line feed where the last line, without its own, would end.
  std::string turns;
  for (int i = 0; i < 300; ++i) turns += i % 2 == 0 ? "   1.5   2.5   3.5   4.5   15.5\n" : "   1.5   2.5   3.5   4.5   1.55\n";
  files.push_back(turns.substr(0, turns.size() - 1));
  for (std::size_t k = 0; k < files.size(); ++k) ASSERT_EQ(readAll(files[k], true), readAll(files[k], false)) << "file " << k;
}

// Lines of one layout have one number whatever their digits and whatever follows their first control byte; a mark
// moved, added or taken away, in the first chunk or the ninth, gives another.
TEST(FastRecord, LayoutNumbers) {
  const std::string wide(130, '5');
  const struct {
    std::string a, b;
    bool same;
  } cases[] = {
      {.a = "1.5 2.5\n9 1", .b = "7.0 3.9\n1.2.3", .same = true}, {.a = "1.5 2.5\n", .b = "1.5 2.5\r\n", .same = true}, {.a = "1.5\t2.5\n", .b = "9.9\t9,9 9\n", .same = true},
      {.a = "-1.5E+01\n", .b = "+9.9E-99\n", .same = true},       {.a = "1.5 2.5\n", .b = "15. 2.5\n", .same = false},  {.a = "1.5 2.5\n", .b = "1.5 2.55\n", .same = false},
      {.a = "-1.5 2.5\n", .b = "11.5 2.5\n", .same = false},      {.a = "1.5 2.5\n", .b = "1.5 2.5 \n", .same = false}, {.a = wide + " 1.5\n", .b = wide + " 15.\n", .same = false},
      {.a = wide + " 1.5\n", .b = wide + " 9.9\n", .same = true},
  };
  for (const auto& c : cases) {
    alignas(16) char a[256 + 64] = {};
    alignas(16) char b[256 + 64] = {};
    std::memcpy(a, c.a.data(), c.a.size());
    std::memcpy(b, c.b.data(), c.b.size());
    EXPECT_EQ(recio::shapeNumber(a, c.a.size()) == recio::shapeNumber(b, c.b.size()), c.same) << c.a << " | " << c.b;
  }
}

// A record with more than blanks after its last value goes to the statement calls, which tell the caller so; read by a
// recent shape too (of the line before it) or by the masks, on a line under 64 bytes and a longer one.
TEST(FastRecord, LeavesLinesThatGoOnToTheStatements) {
  const struct {
    const char* line;
    bool read;
  } cases[] = {{"1 2 3 4 5  ", true}, {"1 2 3 4 5 6", false}, {"1 2 3 4 5 /", false}, {"1 2 3 4 5 x", false}, {"1 2 3 4 5,,", false}, {"1 2 3 4 5\t7", false}};
  for (const auto& c : cases) {
    for (const std::string& first : {std::string("1 2 3 4 5"), std::string("7 8 9 1 2 3"), std::string(60, ' ') + "1 2 3 4 5"}) {
      fake::FakePlatform platform;
      fake::WorkDir dir;
      fake::writeFile("quorvi.res", first + "\n" + std::string(first.size() > 60 ? 60 : 0, ' ') + c.line + "\n");
      auto control = std::make_unique<recio::IoControl>();
      (void)platform.run([&] {
        recio::connectUnit(*control, 1, "quorvi.res", "old");
        double items[5];
        recio::prepareRead(*control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
        if (!recio::readRecordInBlock(*control, items)) {
          (void)recio::beginRead(*control);
          for (double& item : items) (void)recio::readItem(*control, &item);
          (void)recio::endRead(*control);
        }
        recio::prepareRead(*control, 1, recio::ItemType::Real64, {.errors = true, .endOfFile = true});
        EXPECT_EQ(recio::readRecordInBlock(*control, items), c.read) << c.line << ", after " << first;
        recio::stopRun(*control);
      });
    }
  }
}

#ifdef RECIO_SSE2
// The SSE2 classification, shape test and conversions give what their portable forms give, on random bytes and digits.
TEST(FastRecord, Sse2AsPortable) {
  std::mt19937_64 random(29);
  const auto byte = [&] {
    const char common[] = " \t\r\n,.+-0123456789eEdD/*x";
    return random() % 4 == 0 ? static_cast<char>(random()) : common[random() % (sizeof common - 1)];
  };
  const auto digits = [&](std::string& text, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) text += static_cast<char>('0' + random() % (random() % 3 == 0 ? 1 : 10));
  };
  int fits = 0;
  for (int n = 0; n < 20000; ++n) {
    alignas(16) char bytes[64 + 128] = {};
    for (char& b : bytes) b = byte();
    const recio::ChunkMasks sse2 = recio::classifyChunkSse2(bytes + 64);
    const recio::ChunkMasks portable = recio::classifyChunkPortable(bytes + 64);
    ASSERT_EQ(sse2.separators, portable.separators);
    ASSERT_EQ(sse2.digits, portable.digits);
    ASSERT_EQ(sse2.controls, portable.controls);
    ASSERT_EQ(sse2.marks, portable.marks);

    // A shape of four to eight chunks that the bytes mostly fit (each a little above its base, within its room), now
    // and then a byte that does not (another base, any room) or that is the shape's other byte.
    auto shape = std::make_unique<recio::RecordShape>();
    shape->chunks = 4 + static_cast<std::uint32_t>(n % 5);
    for (std::size_t i = 0; i < 128; ++i) {
      const auto own = static_cast<std::uint8_t>(bytes[64 + i]);
      const bool odd = random() % 150 == 0;
      shape->base[i] = static_cast<std::uint8_t>((odd ? static_cast<std::uint8_t>(byte()) : own - random() % 3) ^ 0x80);
      shape->room[i] = static_cast<std::uint8_t>((odd ? random() : 2 + random() % 8) ^ 0x80);
      shape->other[i] = static_cast<std::uint8_t>(random() % 4 == 0 ? own : byte());
    }
    ASSERT_EQ(recio::hasShapeSse2(*shape, bytes + 64), recio::hasShapePortable(*shape, bytes + 64)) << n;
    fits += recio::hasShapePortable(*shape, bytes + 64) ? 1 : 0;

    // Values of up to 8, 15 and 19 digits, a point somewhere, their digits
    // ending at byte 36 (a point without fraction digits just after them).
    std::string text(64, ' ');
    const unsigned count = 1 + static_cast<unsigned>(random() % 19);
    const unsigned fraction = static_cast<unsigned>(random() % (count + 1));
    digits(text, count - fraction);
    if (fraction > 0) text += '.';
    digits(text, fraction);
    text = text.substr(text.size() - 36) + (fraction == 0 && n % 2 == 0 ? "." : " ") + std::string(64, ' ');
    const char* const end = text.data() + 36;
    if (count <= 8) {
      recio::EightDigitGroup group{};
      std::uint32_t values = 0;
      for (std::uint32_t k = 0; k < 1 + random() % 4; ++k) recio::addEightDigits(&group, values, 36, count, fraction, 35 - count, k);
      recio::completeEightDigitGroups(&group, values);
      double a[4] = {}, b[4] = {};
      recio::eightDigitsSse2(group, text.data(), a);
      recio::eightDigitsPortable(group, text.data(), b);
      ASSERT_EQ(std::memcmp(a, b, sizeof a), 0) << text;
    }
    recio::DigitLanes lanes;
    recio::setDigitLanes(lanes, count, fraction);
    recio::KeptDigits pair[2], alone;
    recio::keptDigitsPairSse2(end, lanes, end, lanes, pair[0], pair[1]);
    alone = recio::keptDigitsPortable(end, lanes);
    ASSERT_EQ(pair[0].mantissa, alone.mantissa) << text;
    ASSERT_EQ(pair[0].fractionDigits, alone.fractionDigits) << text;
    if (recio::fitsShortDecimal(count - fraction, fraction)) {
      const recio::ShortRead read = recio::shortRead(end - (fraction > 0 ? fraction + 1 : 0), count - fraction, fraction, n % 2 == 0);
      double first = 0, second = 0;
      recio::shortDecimalPairSse2(read, read, first, second);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(first), std::bit_cast<std::uint64_t>(recio::shortDecimalPortable(read))) << text;
    }
  }
  // Both answers came up often.
  EXPECT_GT(fits, 20000 / 5);
  EXPECT_LT(fits, 20000 * 4 / 5);
}
#endif

// The fixed-field writer's digits: those before the rounding place and the
// exponent are the full generator's, for every magnitude and place.
TEST(FastRecord, RoundedDigitsAsAllDigits) {
  std::mt19937_64 random(17);
  for (int n = 0; n < 300000; ++n) {
    const double value = std::bit_cast<double>(random() >> (random() % 12));
    const auto places = static_cast<std::int32_t>(random() % 24) - 3;
    const recio::DecimalDigits all = recio::toDecimalDigits(value, places, recio::DigitMode::Fraction);
    const recio::DecimalDigits rounded = recio::toRoundedDigits(value, places, recio::DigitMode::Fraction);
    ASSERT_EQ(rounded.exponent, all.exponent) << value << " " << places;
    const auto read = static_cast<std::size_t>(std::clamp(all.exponent + places, 0, 20));
    ASSERT_EQ(std::string(rounded.digits, read), std::string(all.digits, read)) << value << " " << places;
  }
}

}  // namespace
