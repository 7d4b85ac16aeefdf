// make_example: writes a realistic fit-result file "quorvi.res" for chi2map.
//
// It stands in for the external fitting program: 85 T values (ascending) x
// 25 YORP strengths (descending, as the fitter lists them) x 25 f_KE values
// (ascending), one record per grid point, T outermost and f_KE innermost:
//
//     T  YORP  reduced-chi2  f_KE  chi2
//
// chi-square is a tilted valley with one clear minimum plus a little noise
// from a private LCG.  Every printed digit comes from integer arithmetic and
// the valley uses only + - * / (no libm), so the output is the same byte for
// byte on every IEEE machine and C library.
//
// Usage: make_example [PATH]    (no PATH or "-" writes to standard output)

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kTCount = 85;
constexpr int kYorpCount = 25;
constexpr int kFkeCount = 25;

// Grid in integer units so that the text of every value is exact:
// T = 50.0 + 12.5 i (tenths), YORP = 0.5000 - 0.0200 j (ten-thousandths),
// f_KE = 0.1 + 0.1 k (tenths).  chi2map doubles YORP, so its axis runs
// 0.04 .. 1.0 and every table label fits F6.1 / F6.4 / F5.1.
constexpr std::int64_t tTenths(int i) { return 500 + 125 * std::int64_t{i}; }
constexpr std::int64_t yorpTenThousandths(int j) { return 5000 - 200 * std::int64_t{j}; }
constexpr std::int64_t fkeTenths(int k) { return 1 + std::int64_t{k}; }

// Degrees of freedom behind the third column (reduced chi-square), which
// chi2map reads and ignores.
constexpr double kDegreesOfFreedom = 397.0;

// Deterministic noise: 64-bit LCG (Knuth's MMIX constants), top 53 bits as
// a double in [0, 1).  Unsigned arithmetic wraps by definition.
class Lcg {
 public:
  double next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state_ >> 11) * 0x1.0p-53;
  }

 private:
  std::uint64_t state_ = 0x9E3779B97F4A7C15ULL;
};

// The valley, in the values chi2map shows (YORP doubled).  A correlated
// quadratic form (positive definite) makes tilted, elongated contours; the
// quartic part steepens the walls far from the minimum.
double chiSquare(double t, double yorpDoubled, double fke, double noise) {
  const double x = (t - 612.3) / 95.0;
  const double y = (yorpDoubled - 0.452) / 0.14;
  const double z = (fke - 1.17) / 0.3;
  const double quadratic = x * x + y * y + z * z + 1.4 * x * y - 0.8 * y * z + 0.4 * x * z;
  const double quartic = (x * x) * (x * x) + (y * y) * (y * y) + (z * z) * (z * z);
  return 407.35 + 4.0 * quadratic + 0.05 * quartic + noise;
}

// Writes "whole.fraction" of a non-negative fixed-point value into a field
// of the given width; the digits come from integer division only.
int putFixed(char* out, std::size_t room, int width, std::int64_t scaled, int decimals) {
  std::int64_t unit = 1;
  for (int d = 0; d < decimals; ++d) unit *= 10;
  const int intWidth = width - decimals - 1;
  return std::snprintf(out, room, "%*lld.%0*lld", intWidth, static_cast<long long>(scaled / unit), decimals,
                       static_cast<long long>(scaled % unit));
}

int writeRecords(std::FILE* out) {
  Lcg lcg;
  char line[128];
  for (int i = 0; i < kTCount; ++i) {
    for (int j = 0; j < kYorpCount; ++j) {
      for (int k = 0; k < kFkeCount; ++k) {
        const double t = static_cast<double>(tTenths(i)) / 10.0;
        const double yorpDoubled = 2.0 * static_cast<double>(yorpTenThousandths(j)) / 10000.0;
        const double fke = static_cast<double>(fkeTenths(k)) / 10.0;
        const double noise = (lcg.next() - 0.5) * 0.6;
        const std::int64_t chiMilli = std::llround(chiSquare(t, yorpDoubled, fke, noise) * 1000.0);
        const std::int64_t reducedE4 = std::llround(static_cast<double>(chiMilli) * 10.0 / kDegreesOfFreedom);

        std::size_t used = 0;
        const auto field = [&](int width, std::int64_t scaled, int decimals) {
          line[used++] = ' ';
          const int n = putFixed(line + used, sizeof line - used, width, scaled, decimals);
          used += static_cast<std::size_t>(n);
        };
        field(8, tTenths(i), 1);
        field(8, yorpTenThousandths(j), 4);
        field(9, reducedE4, 4);
        field(6, fkeTenths(k), 1);
        field(12, chiMilli, 3);
        line[used++] = '\n';
        if (std::fwrite(line, 1, used, out) != used) return -1;
      }
    }
  }
  return 0;
}

void usage(std::FILE* to) {
  std::fputs(
      "usage: make_example [PATH]\n"
      "Writes an example fit-result file (85 T x 25 YORP x 25 f_KE records) for chi2map\n"
      "to PATH, or to standard output when PATH is missing or \"-\".\n",
      to);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2) {
    usage(stderr);
    return 2;
  }
  const char* path = argc == 2 ? argv[1] : "-";
  if (std::strcmp(path, "-h") == 0 || std::strcmp(path, "--help") == 0) {
    usage(stdout);
    return 0;
  }
  const bool toStdout = std::strcmp(path, "-") == 0;
  std::FILE* out = toStdout ? stdout : std::fopen(path, "wb");
  if (out == nullptr) {
    std::fprintf(stderr, "make_example: cannot open %s: %s\n", path, std::strerror(errno));
    return 1;
  }
  const int written = writeRecords(out);
  const int flushed = std::fflush(out);
  const int closed = toStdout ? 0 : std::fclose(out);
  if (written != 0 || flushed != 0 || closed != 0) {
    std::fprintf(stderr, "make_example: cannot write %s: %s\n", toStdout ? "standard output" : path,
                 std::strerror(errno));
    return 1;
  }
  return 0;
}
