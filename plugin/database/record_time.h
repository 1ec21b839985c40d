// Record dates: whole seconds since 1904-01-01 00:00:00 of the local wall clock, with no
// time-zone or daylight-saving conversion either way. The range ends at
// 2040-02-06 06:28:15.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/os.h"

namespace velm {

using RecordTime = std::uint32_t;

// How dates are shown: year modulo 100, month, day, hour and minute.
inline constexpr char kRecordDateFormat[] = "%2.2d/%2.2d/%2.2d %2.2d:%2.2d";
// "yy/mm/dd hh:mm" and its NUL.
inline constexpr std::size_t kRecordDateTextSize = 15;

// The local time now. A clock outside the representable range gives the nearest end of
// it (0 before 1904, 2040-02-06 06:28:15 after), so dates never wrap around.
RecordTime CurrentRecordTime();

// The local calendar date and time of a RecordTime (dayOfWeek and milliseconds set too).
os::SystemTime RecordTimeToLocalTime(RecordTime time);

// Writes the date text of `time` into `text` (at least kRecordDateTextSize bytes).
void FormatRecordDate(RecordTime time, char* text, std::size_t size);

}  // namespace velm
