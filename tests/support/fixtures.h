// What the program writes, as the tests expect it, and the inputs that make it: the worked example, the console
// summary, reports, warnings, and one generator of larger grids.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace fixtures {

// The eleven console lines; each range is the text of its two numbers, each with its two-blank sign area.
std::string summary(std::string_view nT, std::string_view tRange, std::string_view nY, std::string_view yRange, std::string_view nF, std::string_view fRange, std::string_view chiRange);

// Inline, so that the case tables of every test file may use them. Eight records: T 100 and 200, YORP 0.2 and 0.1
// (listed doubled, 0.4 then 0.2), f_KE 0.5 and 1.0; and its console text and three tables.
inline const std::string kWorked =
    "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n100.0 0.1 0.0 0.5 20.0\n100.0 0.1 0.0 1.0 25.0\n"
    "200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n";
inline const std::string kWorkedOut =
    summary("2", "  100.000000000000  200.000000000000", "2", "  0.200000000000000  0.400000000000000", "2", "  0.500000000000000  1.00000000000000", "  12.5000000000000  50.0000000000000");
inline const std::string kWorkedTable[4] = {
    "",  // [choice], 1 to 3
    " 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000     12.5\n\n",
    " 100.0   0.5     20.0\n 100.0   1.0     25.0\n\n 200.0   0.5     15.0\n 200.0   1.0     12.5\n\n",
    "0.2000   0.5     20.0\n0.2000   1.0     25.0\n\n0.4000   0.5     15.0\n0.4000   1.0     12.5\n\n",
};
// Nothing loaded: empty lists, untouched ranges.
inline const std::string kNoRange = "  10000000000.0000  0.000000000000000";
inline const std::string kEmptyOut = summary("0", kNoRange, "0", kNoRange, "0", kNoRange, kNoRange);

// Reports: the header, the text, and the statement line unless it is empty.
std::string systemReport(int errorNumber, std::string_view statement = {});
std::string layerReport(std::string_view text, std::string_view statement = {});
std::string capacityReport(std::string_view axis, int limit, int line);
inline const std::string kEndOfInput = layerReport("Attempt to read past end of file", "READ(UNIT=*,...");
inline const std::string kIllegal = layerReport("Illegal character in numeric input", "READ(UNIT=*,...");

// Warnings.
std::string stoppedAtLine(long line);
inline const std::string kEndsInsideRecord = "? Warning: quorvi.res ends inside a record (a last line without a line feed, or too few values): it was not read\n";
std::string singleValue(std::string_view axis);
std::string labelsMismatch(std::string_view axis);
std::string partRead(long line);
std::string moreThanRecord(long line);

// nT x nY x nF records in file order: T = 1, 2, ..., nT; YORP written as nY/2, ..., 1.0, 0.5 (listed doubled: nY, ...,
// 1); f_KE = 0.5, 1.0, ...; chi-square 100 T + doubled YORP + (f_KE - 0.5), so every label names its cell and the
// smallest over f_KE is 100 T + doubled YORP.
std::string grid(int nT, int nY, int nF);
// Table 1 of such a grid: YORP 10 and above too wide for F6.4.
std::string gridTable(int nT, int nY);
// Lines of an older table, at least `bytes` long.
std::string oldTable(std::size_t bytes);

std::string replaceAll(std::string text, std::string_view from, std::string_view to);

}  // namespace fixtures
