// The fast paths of the reader against the simple algorithms they replace.
//
// The simple ones live on here as oracles: the real conversion as the
// straightforward scan and one scaling, the character check as a loop that
// stops at the first refused character, and a reader that collects records
// one byte at a time and values one character at a time, growing its
// buffers by one step whenever the next byte would not fit. The library's
// results must equal theirs bit for bit, and the library must make the same
// read and allocation calls at the same points.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "recio/numbers/decimal_scan.h"
#include "recio/numbers/decimal_to_double.h"
#include "recio/numbers/powers_of_ten.h"
#include "recio/reader/read_statement.h"
#include "recio/connect.h"
#include "recio/disconnect.h"
#include "recio/run.h"
#include "support/fake_platform.h"
#include "support/statements.h"
#include "support/work_dir.h"

namespace {

using recio::IoStatus;
using recio::ItemType;

std::uint64_t bits(double v) { return std::bit_cast<std::uint64_t>(v); }

// ---------------------------------------------------------------------------
// The simple number texts.
namespace oracle {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSign(char c) { return c == '+' || c == '-'; }
bool isExponentLetter(char c) { return c == 'E' || c == 'e' || c == 'D' || c == 'd'; }

bool checkReal(const std::string& text) {
  std::size_t i = !text.empty() && isSign(text[0]) ? 1 : 0;
  if (i < text.size() && (text[i] == 'I' || text[i] == 'i' || text[i] == 'N' || text[i] == 'n')) return true;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (!isDigit(c) && !isSign(c) && c != '.' && !isExponentLetter(c)) return false;
  }
  return true;
}

// The conversion step by step: 64-bit mantissa with the room test on every
// digit, held-back fraction zeros, truncation to 53 bits, one scaling by
// the squaring power of ten, stepwise scaling below 10^-308.
double convertReal(const std::string& text) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  auto room = [](std::uint64_t m, std::uint64_t d) { return m <= (kMax - d) / 10; };
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool negative = false;
  if (i < n && isSign(text[i])) negative = text[i++] == '-';
  double v = 0.0;
  if (i < n && (text[i] == 'I' || text[i] == 'i')) {
    v = std::numeric_limits<double>::infinity();
  } else if (i < n && (text[i] == 'N' || text[i] == 'n')) {
    v = std::bit_cast<double>(std::uint64_t{0x7FFF'0000'FFFF'FFFF});
  } else {
    std::uint64_t m = 0;
    long long k = 0;
    for (; i < n && isDigit(text[i]); ++i) {
      const auto d = static_cast<std::uint64_t>(text[i] - '0');
      if (room(m, d)) {
        m = m * 10 + d;
      } else {
        ++k;
      }
    }
    if (i < n && text[i] == '.') {
      long long held = 0;
      for (++i; i < n && isDigit(text[i]); ++i) {
        const auto d = static_cast<std::uint64_t>(text[i] - '0');
        if (!room(m, d)) continue;
        if (d == 0) {
          ++held;
          continue;
        }
        for (; held > 0; --held) {
          if (room(m, 0)) {
            m *= 10;
            --k;
          }
        }
        if (room(m, d)) {
          m = m * 10 + d;
          --k;
        }
      }
    }
    if (i < n && isExponentLetter(text[i])) ++i;
    bool negativeExponent = false;
    if (i < n && isSign(text[i])) negativeExponent = text[i++] == '-';
    long long x = 0;
    for (; i < n && isDigit(text[i]); ++i) x = std::min(x * 10 + (text[i] - '0'), 1'000'000'000'000LL);
    const long long e = k + (negativeExponent ? -x : x);
    const int width = 64 - std::countl_zero(m);
    if (width > 53) m = (m >> (width - 53)) << (width - 53);
    v = static_cast<double>(m);
    if (e > 308) {
      v = m != 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (e > 0) {
      v = v * recio::squaringPowerOfTen(static_cast<std::int32_t>(e));
    } else if (e >= -308) {
      if (e < 0) v = v / recio::squaringPowerOfTen(static_cast<std::int32_t>(-e));
    } else {
      v = v / recio::squaringPowerOfTen(308);
      for (long long left = -e - 308; left > 0 && v != 0.0; left -= 308) {
        v = v / recio::squaringPowerOfTen(static_cast<std::int32_t>(std::min(left, 308LL)));
      }
    }
  }
  if (negative) v = std::bit_cast<double>(bits(v) | (std::uint64_t{1} << 63));
  return v;
}

}  // namespace oracle

// Compares every entry point of the library's real conversion with the oracle.
void expectSameConversion(const std::string& text) {
  const double expected = oracle::convertReal(text);
  const bool allowed = oracle::checkReal(text);
  ASSERT_EQ(bits(recio::convertReal(text.data(), text.size())), bits(expected)) << '"' << text << '"';
  ASSERT_EQ(recio::checkNumberText(text.data(), text.size(), recio::NumberKind::Real), allowed) << '"' << text << '"';
  // A std::string's characters are followed by a zero byte, as the value text's are.
  ASSERT_EQ(bits(recio::convertTerminatedReal(text.c_str(), text.size())), bits(expected)) << '"' << text << '"';
  const recio::PlainDecimal plain = recio::scanPlainDecimal(text.c_str());
  if (plain.plain && plain.end == text.c_str() + text.size()) {
    ASSERT_TRUE(allowed) << '"' << text << '"';
    ASSERT_EQ(bits(recio::plainDecimalValue(plain)), bits(expected)) << '"' << text << '"';
  }
}

std::string digitsOf(std::mt19937_64& random, std::size_t count) {
  std::string out;
  // Now and then runs of one digit, which make mantissas like 999... and
  // trailing zeros.
  const int style = static_cast<int>(random() % 4);
  const char only = static_cast<char>('0' + random() % 10);
  for (std::size_t i = 0; i < count; ++i) out += style == 0 ? only : static_cast<char>('0' + random() % 10);
  return out;
}

std::string signOf(std::mt19937_64& random) {
  const auto pick = random() % 4;
  return pick == 0 ? "-" : pick == 1 ? "+" : "";
}

TEST(RealConversionOracle, EveryShortTextOverTheNumberAlphabet) {
  const std::string alphabet = "019.+-eEdDx";
  std::vector<std::string> texts{""};
  for (std::size_t length = 1; length <= 5; ++length) {
    std::vector<std::string> longer;
    for (const std::string& text : texts) {
      if (text.size() + 1 != length) continue;
      for (char c : alphabet) longer.push_back(text + c);
    }
    for (const std::string& text : longer) expectSameConversion(text);
    texts.insert(texts.end(), longer.begin(), longer.end());
  }
  expectSameConversion("");
}

TEST(RealConversionOracle, RandomPlainDecimals) {
  std::mt19937_64 random(20240611);
  for (int n = 0; n < 2'000'000; ++n) {
    std::string text = signOf(random) + digitsOf(random, random() % 12);
    if (random() % 8 != 0) text += "." + digitsOf(random, random() % 12);
    if (random() % 16 == 0) text += std::string(random() % 6, '0');
    expectSameConversion(text);
  }
}

// Up to 20 characters, around the limits of the shortcut: 19 characters
// after the sign, mantissas at 2^53, the largest 19-digit numbers.
TEST(RealConversionOracle, PlainDecimalsAtTheShortcutsLimits) {
  std::mt19937_64 random(53);
  auto withPoint = [&](std::string digits) {
    const std::size_t at = random() % (digits.size() + 1);
    if (random() % 4 != 0) digits.insert(at, ".");
    return signOf(random) + digits;
  };
  for (int n = 0; n < 300'000; ++n) {
    const std::uint64_t base = (std::uint64_t{1} << 53) - 3000 + random() % 6000;
    expectSameConversion(withPoint(std::to_string(base)));
    expectSameConversion(withPoint(std::to_string(base) + std::string(random() % 4, '0')));
    expectSameConversion(withPoint(digitsOf(random, 15 + random() % 6)));
    expectSameConversion(withPoint(std::string(random() % 4, '0') + std::to_string(base)));
  }
  const char* const edges[] = {
      "9007199254740991",       "9007199254740992",      "9007199254740993",    "900719925474099.3",
      "0.9007199254740993",     "9999999999999999999",   "99999999999999999999", "9999999999999999999.",
      ".9999999999999999999",   "-.0000000000000000001", "1.000000000000000000", "0.0000000000000000000",
      "18446744073709551615",   "18446744073709551616",  "-0",                   "-.",
      "+.",                     ".",                     "00000000000000000001", "1234567890123456789",
      "123456789.0123456789",   "0.1",                   "0.3",                  "409.150000"};
  for (const char* text : edges) expectSameConversion(text);
}

// Exponents around the shortcut's bounds: x up to 22 and x less the
// fraction digits down to -22, written with each letter, a sign alone, or
// leading zeros.
TEST(RealConversionOracle, PlainDecimalsWithExponents) {
  std::mt19937_64 random(1022);
  const char* const introducers[] = {"E", "e", "D", "d", "E+", "e-", "D-", "d+", "+", "-", "E+0", "e-00"};
  for (int n = 0; n < 1'000'000; ++n) {
    std::string text = signOf(random) + digitsOf(random, random() % 10);
    if (random() % 6 != 0) text += "." + digitsOf(random, random() % 12);
    text += introducers[random() % (sizeof introducers / sizeof introducers[0])];
    if (random() % 10 != 0) text += std::to_string(random() % 45);
    expectSameConversion(text);
  }
  const char* const edges[] = {"1E22", "1E23", "1.5E22", "9007199254740991E22", "1E-22", "1.0E-22", "1.5E-21",
                               "1.5E-22", "12345.6789E-18", "12345.6789E-19", "0.0000000000000000001E0",
                               "1.2345678901234567890E3", "6.123000e+02", "2.000000e-02", "1.5+3", "1.5-3",
                               "1e", "1e+", "-e5", "e5", "1E0022", "1E00022", "5D-1", "5.d-1"};
  for (const char* text : edges) expectSameConversion(text);
}

TEST(RealConversionOracle, RandomGeneralTexts) {
  std::mt19937_64 random(7);
  const std::string alphabet = "0123456789..+-EeDdIiNnxQ$ *";
  for (int n = 0; n < 1'000'000; ++n) {
    std::string text;
    const auto kind = random() % 3;
    if (kind == 0) {
      const std::size_t length = random() % 24;
      for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
    } else {
      text = signOf(random) + digitsOf(random, random() % 30) + "." + digitsOf(random, random() % 30);
      const char letters[] = "EeDd";
      if (kind == 2) text += std::string(1, letters[random() % 4]) + signOf(random) + std::to_string(random() % 700);
    }
    expectSameConversion(text);
  }
}

// ---------------------------------------------------------------------------
// The simple reader: one byte, one character at a time.

struct Counts {
  int reads = 0;   // read calls on the file
  int growths = 0;  // reallocations of the two work buffers
};

class OracleReader {
 public:
  OracleReader(std::string file, int failingGrowth) : file_(std::move(file)), failingGrowth_(failingGrowth) {}

  struct Item {
    bool assigned = false;
    std::uint64_t bits = 0;
  };
  struct Outcome {
    IoStatus status = IoStatus::Ok;
    std::vector<Item> items;
  };

  Outcome statement(int items) {
    Outcome outcome;
    usesLeft_ = 0;
    endedAtRecordEnd_ = false;
    outcome.status = fillRecord();
    for (int i = 0; i < items && outcome.status == IoStatus::Ok; ++i) {
      Item item;
      outcome.status = readItem(item);
      if (outcome.status == IoStatus::Ok) outcome.items.push_back(item);
    }
    if (outcome.status != IoStatus::Ok) return outcome;  // already reset
    reset();
    return outcome;
  }

  const Counts& counts() const { return counts_; }

 private:
  static constexpr int kEndOfRecord = -1;
  static constexpr int kOver = -2;

  void reset() {
    record_.clear();
    position_ = 0;
    endedAtRecordEnd_ = false;
  }
  IoStatus fail() {
    reset();
    return IoStatus::Error;
  }
  bool grow(std::size_t& capacity) {
    ++counts_.growths;
    if (counts_.growths == failingGrowth_) return false;
    capacity += recio::kWorkBufferGrowth;
    return true;
  }

  // Bytes of the file in blocks of 8192, one read call per block.
  bool nextByte(unsigned char& byte) {
    if (blockPosition_ == block_.size()) {
      ++counts_.reads;
      block_ = file_.substr(std::min(filePosition_, file_.size()), recio::kFileBufferSize);
      filePosition_ += block_.size();
      blockPosition_ = 0;
      if (block_.empty()) return false;
    }
    byte = static_cast<unsigned char>(block_[blockPosition_++]);
    return true;
  }

  IoStatus fillRecord() {
    record_.clear();
    position_ = 0;
    for (;;) {
      if (record_.size() == recordCapacity_ && !grow(recordCapacity_)) return fail();
      unsigned char byte = 0;
      if (!nextByte(byte)) {
        reset();
        return IoStatus::EndOfFile;
      }
      if (byte == '\n') return IoStatus::Ok;
      if (byte == '\t') {
        record_.append(8 - record_.size() % 8, ' ');
      } else if (byte != '\r') {
        record_ += static_cast<char>(byte);
      }
    }
  }

  int skipBlanks(bool across, IoStatus& status) {
    for (;;) {
      while (position_ < record_.size()) {
        const char c = record_[position_++];
        if (c != ' ' && c != '\t') return static_cast<unsigned char>(c);
      }
      if (!across) return kEndOfRecord;
      status = fillRecord();
      if (status != IoStatus::Ok) return kOver;
    }
  }

  bool append(char c) {
    if (value_.size() + 2 > valueCapacity_ && !grow(valueCapacity_)) return false;
    value_ += c;
    return true;
  }

  IoStatus scanValue() {
    for (;;) {
      value_.clear();
      IoStatus status = IoStatus::Ok;
      int ch = skipBlanks(true, status);
      if (ch == kOver) return status;
      if (endedAtRecordEnd_) {
        endedAtRecordEnd_ = false;
        if (ch == ',') {
          ch = skipBlanks(false, status);
          if (ch == kEndOfRecord) ch = skipBlanks(true, status);
          if (ch == kOver) return status;
        }
      }
      if (ch == '/') {
        --position_;
        return IoStatus::Ok;
      }
      if (ch == ',') return IoStatus::Ok;
      if (!append(static_cast<char>(ch))) return fail();
      bool repeat = false;
      for (;;) {
        if (position_ == record_.size()) {
          endedAtRecordEnd_ = true;
          return IoStatus::Ok;
        }
        const char c = record_[position_++];
        if (c == '*') {
          std::uint32_t r = 0;
          for (char digit : value_) {
            if (!oracle::isDigit(digit)) return fail();
            r = r * 10U + static_cast<std::uint32_t>(digit - '0');
          }
          usesLeft_ = static_cast<std::int32_t>(r);
          repeat = true;
          break;
        }
        if (c == ',') return IoStatus::Ok;
        if (c == '/') {
          --position_;
          return IoStatus::Ok;
        }
        if (c == ' ' || c == '\t') {
          while (position_ < record_.size() && (record_[position_] == ' ' || record_[position_] == '\t')) ++position_;
          if (position_ < record_.size() && record_[position_] == ',') ++position_;
          return IoStatus::Ok;
        }
        if (!append(c)) return fail();
      }
      if (!repeat) return IoStatus::Ok;
    }
  }

  IoStatus readItem(Item& item) {
    // valueUsesLeft - 1 <= 0, without overflowing a wrapped count.
    if (usesLeft_ > 1) {
      usesLeft_ -= 1;
    } else {
      usesLeft_ = 0;
      const IoStatus status = scanValue();
      if (status != IoStatus::Ok) return status;
    }
    if (value_.empty()) return IoStatus::Ok;
    if (!oracle::checkReal(value_)) return fail();
    item.assigned = true;
    item.bits = bits(oracle::convertReal(value_));
    return IoStatus::Ok;
  }

  std::string file_;
  int failingGrowth_;
  Counts counts_;
  std::string block_;
  std::size_t blockPosition_ = 0;
  std::size_t filePosition_ = 0;
  std::string record_;
  std::size_t position_ = 0;
  std::size_t recordCapacity_ = recio::kWorkBufferSize;
  std::string value_;
  std::size_t valueCapacity_ = recio::kWorkBufferSize;
  std::int32_t usesLeft_ = 0;
  bool endedAtRecordEnd_ = false;
};

// Random input in the reader's whole syntax, with values and lines now and
// then long enough to make both work buffers grow, and tabs and carriage
// returns anywhere.
std::string randomInput(std::mt19937_64& random) {
  std::string out;
  const int lines = 1 + static_cast<int>(random() % 40);
  for (int line = 0; line < lines; ++line) {
    const auto shape = random() % 16;
    if (shape == 0) {
      out += "\n";  // empty
      continue;
    }
    if (shape == 1) {
      out += std::string(random() % 20, " \t"[random() % 2]) + "\n";
      continue;
    }
    if (shape == 2) {  // a line longer than a block and than the record text
      const std::size_t target = 8000 + random() % 12000;
      std::string longLine;
      while (longLine.size() < target) longLine += std::string(1 + random() % 9, "\t "[random() % 2]) + "7.5";
      out += longLine + "\n";
      continue;
    }
    const int values = static_cast<int>(random() % 8);
    for (int v = 0; v < values; ++v) {
      const auto kind = random() % 24;
      std::string value;
      if (kind < 12) {
        value = signOf(random) + digitsOf(random, random() % 8) + "." + digitsOf(random, random() % 8);
      } else if (kind < 13) {
        value = digitsOf(random, 1 + random() % 3) + "E" + signOf(random) + std::to_string(random() % 400);
      } else if (kind < 14) {
        const char* const letters[] = {"e", "E", "D", "d", ""};
        value = signOf(random) + digitsOf(random, 1) + "." + digitsOf(random, random() % 8) +
                letters[random() % 5] + (random() % 2 ? "+" : "-") + std::to_string(random() % 30);
      } else if (kind == 14) {
        value = std::to_string(random() % 4) + "*";  // a repeat count, its value follows
      } else if (kind == 15) {
        value = digitsOf(random, 1000 + random() % 18000);  // makes the value text grow
      } else if (kind == 16) {
        value = "-Inf";
      } else if (kind == 17) {
        value = "x1";  // refused by the check
      } else if (kind == 18) {
        value = "/";
      } else if (kind == 19) {
        const char* const odd[] = {"*", "**", "*5", "*,", "3**", "+", "-.", ".", "+-1", "1.2.3", "5.", "00"};
        value = odd[random() % (sizeof odd / sizeof odd[0])];
      } else {
        value = digitsOf(random, 1 + random() % 4);
      }
      out += value;
      const auto separator = random() % 10;
      out += separator < 4 ? " " : separator < 6 ? "," : separator == 6 ? " , " : separator == 7 ? "\t" : separator == 8 ? "\r" : "  ";
    }
    out += random() % 8 == 0 ? "\r\n" : "\n";
  }
  if (random() % 4 == 0) out += "1 2 3";  // no line feed: never a record
  return out;
}

struct LibraryReader {
  fake::FakePlatform& platform;
  recio::IoControl& control;
  int readsBefore;
  int allocationsBefore;

  OracleReader::Outcome statement(int items) {
    OracleReader::Outcome outcome;
    recio::prepareStatement(control, 1);
    control.options.freeForm = true;
    control.options.handlesErrors = true;
    control.options.handlesEndOfFile = true;
    control.item.type = ItemType::Real64;
    control.item.size = sizeof(double);
    outcome.status = recio::beginRead(control);
    for (int i = 0; i < items && outcome.status == IoStatus::Ok; ++i) {
      double value = 0.0;
      outcome.status = recio::readItem(control, &value);
      if (outcome.status == IoStatus::Ok) outcome.items.push_back({control.itemAssigned, control.itemAssigned ? bits(value) : 0});
    }
    if (outcome.status == IoStatus::Ok) outcome.status = recio::endRead(control);
    return outcome;
  }
  Counts counts() const {
    return {platform.calls(fake::Call::Read) - readsBefore, platform.calls(fake::Call::Allocate) - allocationsBefore};
  }
};

// Runs both readers over `input` with the same statements; `failingGrowth`
// > 0 makes that growth of a work buffer fail in both. Returns the growths
// the oracle made.
int expectSameReading(const std::string& input, std::mt19937_64& random, int failingGrowth) {
  fake::FakePlatform platform;
  fake::WorkDir dir;
  fake::writeFile("input.txt", input);
  recio::IoControl control;
  EXPECT_EQ(recio::connectUnit(control, 1, "input.txt", "old", {}), IoStatus::Ok);
  LibraryReader library{platform, control, platform.calls(fake::Call::Read), platform.calls(fake::Call::Allocate)};
  if (failingGrowth > 0) {
    platform.addFault({fake::Call::Allocate, library.allocationsBefore + failingGrowth, 0});
  }
  OracleReader oracleReader(input, failingGrowth);
  for (int s = 0; s < 200; ++s) {
    const int items = 1 + static_cast<int>(random() % 6);
    const OracleReader::Outcome expected = oracleReader.statement(items);
    const OracleReader::Outcome got = library.statement(items);
    EXPECT_EQ(got.status, expected.status) << "statement " << s + 1;
    EXPECT_EQ(got.items.size(), expected.items.size()) << "statement " << s + 1;
    for (std::size_t i = 0; i < std::min(got.items.size(), expected.items.size()); ++i) {
      EXPECT_EQ(got.items[i].assigned, expected.items[i].assigned) << "statement " << s + 1 << " item " << i + 1;
      EXPECT_EQ(got.items[i].bits, expected.items[i].bits) << "statement " << s + 1 << " item " << i + 1;
    }
    EXPECT_EQ(library.counts().reads, oracleReader.counts().reads) << "read calls after statement " << s + 1;
    EXPECT_EQ(library.counts().growths, oracleReader.counts().growths) << "growths after statement " << s + 1;
    if (::testing::Test::HasFailure()) break;
    if (expected.status == IoStatus::EndOfFile) break;
  }
  EXPECT_EQ(platform.run([&] { recio::stopRun(control); }), 0);
  EXPECT_EQ(platform.liveAllocations(), 0U);
  return oracleReader.counts().growths;
}

TEST(ReaderOracle, RandomInputs) {
  std::mt19937_64 random(1234);
  for (int n = 0; n < 400 && !HasFailure(); ++n) {
    const std::string input = randomInput(random);
    SCOPED_TRACE("input " + std::to_string(n));
    expectSameReading(input, random, 0);
  }
}

// Every growth of a work buffer failed in turn: the failure comes at the
// same byte, and reading goes on from the same place afterwards.
TEST(ReaderOracle, EachGrowthFailingInTurn) {
  std::mt19937_64 random(99);
  for (int n = 0; n < 40 && !HasFailure(); ++n) {
    const std::string input = randomInput(random);
    std::mt19937_64 statements(static_cast<std::uint64_t>(n));
    const int growths = expectSameReading(input, statements, 0);
    for (int failing = 1; failing <= std::min(growths, 12) && !HasFailure(); ++failing) {
      SCOPED_TRACE("input " + std::to_string(n) + ", growth " + std::to_string(failing) + " fails");
      std::mt19937_64 same(static_cast<std::uint64_t>(n));
      expectSameReading(input, same, failing);
    }
  }
}

// The inputs of the benchmark's per-byte check, small: they take the
// slowest paths of the collector.
TEST(ReaderOracle, PathologicalInputs) {
  const std::string inputs[] = {
      std::string(30000, '\t'),                      // one record of tabs, no line feed
      std::string(30000, '\t') + "\n1 2\n",          // the same as a blank record
      std::string(20000, '\n') + "1 2 3 4 5\n",      // empty lines
      std::string(9000, '\r') + "4\r\n",             // carriage returns
      std::string(3, '\0') + "\n" + std::string(20000, '\x01') + "\n",
  };
  std::string ones;
  for (int i = 0; i < 3000; ++i) ones += "1 1 1 1 1\n";
  std::mt19937_64 random(5);
  for (const std::string& input : inputs) expectSameReading(input, random, 0);
  expectSameReading(ones, random, 0);
  std::string noLineFeed;
  while (noLineFeed.size() < 40000) noLineFeed += "0.5 ";
  expectSameReading(noLineFeed, random, 0);
}

}  // namespace
