// What the program writes, as tests expect it: the worked example, the
// console summary, reports and warnings.
#pragma once

#include <string>

namespace fake {

// The eleven console lines; each range is the text of its two numbers, each
// with its two-blank sign area.
std::string summary(const std::string& nT, const std::string& tRange, const std::string& nY,
                    const std::string& yRange, const std::string& nF, const std::string& fRange,
                    const std::string& chiRange);

// Defined here, inline, so that the case tables of every test file may use
// them in their own initialisation.

// Eight records: T 100 and 200, YORP 0.2 and 0.1 (listed doubled, 0.4 then
// 0.2), f_KE 0.5 and 1.0; and its console text and three tables.
inline const std::string kWorked =
    "100.0 0.2 0.0 0.5 40.0\n100.0 0.2 0.0 1.0 30.0\n100.0 0.1 0.0 0.5 20.0\n100.0 0.1 0.0 1.0 25.0\n"
    "200.0 0.2 0.0 0.5 15.0\n200.0 0.2 0.0 1.0 12.5\n200.0 0.1 0.0 0.5 50.0\n200.0 0.1 0.0 1.0 35.0\n";
inline const std::string kWorkedOut = summary(
    "2", "  100.000000000000  200.000000000000", "2", "  0.200000000000000  0.400000000000000", "2",
    "  0.500000000000000  1.00000000000000", "  12.5000000000000  50.0000000000000");
inline const std::string kWorkedTable[4] = {  // [choice], 1 to 3
    "",
    " 100.0 0.2000     20.0\n 100.0 0.4000     30.0\n\n 200.0 0.2000     35.0\n 200.0 0.4000     12.5\n\n",
    " 100.0   0.5     20.0\n 100.0   1.0     25.0\n\n 200.0   0.5     15.0\n 200.0   1.0     12.5\n\n",
    "0.2000   0.5     20.0\n0.2000   1.0     25.0\n\n0.4000   0.5     15.0\n0.4000   1.0     12.5\n\n",
};

std::string capacityReport(const std::string& axis, int limit, int line);
std::string stoppedAtLine(long line);
inline const std::string kEndsInsideRecord =
    "? Warning: quorvi.res ends inside a record (a last line without a line feed, or too few values): it was not "
    "read\n";
std::string singleValue(const std::string& axis);
std::string labelsMismatch(const std::string& axis);

}  // namespace fake
