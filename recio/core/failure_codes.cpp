#include "recio/core/failure_codes.h"

namespace recio::code {

const char* messageText(FailureCode layerCode) {
  switch (layerCode) {
    case kFileNotOpenForRead: return "File not open for read";
    case kFileNotOpenForWrite: return "File not open for write";
    case kBufferAllocationFailed: return "Buffer allocation failed";
    case kBadIolistSpecifier: return "Bad iolist specifier";
    case kReadPastEndOfFile: return "Attempt to read past end of file";
    case kBadFileName: return "Bad file specification";
    case kIllegalNumericCharacter: return "Illegal character in numeric input";
    case kTruncateFailed: return "Unable to truncate file after rewind, backspace, or endfile";
    case kIllegalUnit: return "Unconnected or illegal unit specified";
    case kRecordTooLong: return "Attempt to write a record longer than specified record length";
    default: return "";
  }
}

}  // namespace recio::code
