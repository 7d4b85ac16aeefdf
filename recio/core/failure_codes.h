// The layer's own failure codes and their message texts.
#pragma once

#include <cstdint>

#include "recio/core/io_status.h"

namespace recio::code {

// The range of the layer's own codes; the program meets those below.
struct CodeRange {
  FailureCode first;
  FailureCode last;
};
inline constexpr CodeRange kLayerCodes{10000, 10073};

inline constexpr FailureCode kFileNotOpenForRead = 10000;
inline constexpr FailureCode kFileNotOpenForWrite = 10001;
inline constexpr FailureCode kBufferAllocationFailed = 10004;
inline constexpr FailureCode kBadIolistSpecifier = 10005;
inline constexpr FailureCode kReadPastEndOfFile = 10013;
inline constexpr FailureCode kBadFileName = 10014;
inline constexpr FailureCode kIllegalNumericCharacter = 10016;
inline constexpr FailureCode kTruncateFailed = 10027;
inline constexpr FailureCode kIllegalUnit = 10029;
inline constexpr FailureCode kRecordTooLong = 10060;

inline constexpr bool isLayerCode(FailureCode value) { return value >= kLayerCodes.first && value <= kLayerCodes.last; }

// The message row of a layer code; an empty text for rows this program never meets.
const char* messageText(FailureCode layerCode);

}  // namespace recio::code
