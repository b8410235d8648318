// Error numbers and classes of the record store, and the texts of the stop
// message a serious failure ends with. The numbers are shared with the other
// programs of the suite (their error logs carry them), so they are fixed.
#pragma once

#include <cstdint>
#include <string>

#include "base/text.h"

namespace vek::store {

enum ErrorNumber : std::int32_t {
  kOk = 0,
  kPathNotFound = 9900,      // class 2
  kTooManyOpenFiles = 9901,  // class 4
  kFileNotFound = 9903,      // class 1
  kInvalidHandle = 9904,     // class 4
  kInvalidAccess = 9908,     // class 4
  kBeingChanged = 10010,     // rebuild trigger: record file marked as being changed
  kBadRecordLength = 10020,
  kTooManyKeys = 10050,
  kBadKeyLength = 10055,
  kStoredTooManyKeys = 10060,
  kShortRead = 10070,   // damaged file; the index is deleted so the next start rebuilds it
  kShortWrite = 10075,  // disk full
  kDriveNotReady = 10110,
  kIndexHeaderBad = 10120,  // rebuild trigger
  kStoredKeyLengthBad = 10121,
  kStoredEntriesPerPageBad = 10122,
  kOsFailure = 10140,  // access denied and every other operating-system failure
  kFreeChainDamaged = 10170,
  // Soft failures (class 1).
  kKeyNotFound = 10210,
  kEndOfIndex = 10220,
  kDuplicateKey = 10230,
  kNoCurrentRecord = 10240,
  kRecordNotRead = 10250,
  kReservedBytesSet = 10260,
  kFileBlockNotFound = 10270,
  kAutoNumberOverflow = 10280,
  kKeyNumberOutOfRange = 10290,
  kCannotFreeHandles = 10295,
  // Class 2.
  kBadKeyDefinition = 10306,
  kLocked = 10330,
  kLockedFileBlock = 10332,
  kRecordLocked = 10335,
  kFieldOutsideRecord = 10355,
  kPutReservedBytesSet = 10360,
  kAutoNumberKeyUndefined = 10410,  // class 1
  kReorganisationFailed = 10465,
  kIndexDefinitionsDiffer = 24653,  // rebuild trigger (internal code 0x604D)
  // Internal codes: class = high hex digit - 2, displayed as the low 12 bits.
  // An index or a free chain found damaged in the middle of an operation; the
  // store repairs the fileblock and runs the operation again (class 1).
  kDamageFound = 0x3072,
  kAutoNumberNotLastInKey = 0x5001,  // class 3
  kFillUnfinished = 0x5002,          // class 3: a fileblock being filled used otherwise
  kConfigurationBad = 0x7001,        // class 5
  kConfigurationTooManyKeys = 0x700B,
  kStoreNotStarted = 0x7010,
  kStoreAlreadyStarted = 0x7011,
};

// The class of an error number: 0 success, 1 soft, 2 lock or device, 3+ serious.
int ClassOfError(std::int32_t number);
// What the stop message and the error log show: internal codes as their low 12 bits.
std::int32_t DisplayedErrorNumber(std::int32_t number);

// The six lines of the stop message joined with carriage returns.
Text StopMessage(std::int32_t displayed_number, bool german);

// Lock question types and their texts.
enum class LockQuestion { kLocked = 1, kRebuildIndex = 5, kCreateFiles = 6, kPathNotFound = 8 };
Text LockQuestionText(const std::string& display_name, LockQuestion type, bool german);

}  // namespace vek::store
