#include "database/record_time.h"

#include <cstdio>

namespace velm {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000;

// 1904-01-01 00:00:00.000 on the platform's tick scale.
std::uint64_t EpochTicks() {
  os::SystemTime epoch{};
  epoch.year = 1904;
  epoch.month = 1;
  epoch.day = 1;
  std::uint64_t ticks = 0;
  os::SystemTimeToTicks(&epoch, &ticks);
  return ticks;
}

}  // namespace

RecordTime CurrentRecordTime() {
  os::SystemTime now{};
  os::LocalTimeNow(&now);
  std::uint64_t ticks = 0;
  if (!os::SystemTimeToTicks(&now, &ticks)) return 0;
  const std::uint64_t epoch = EpochTicks();
  if (ticks < epoch) return 0;
  const std::uint64_t seconds = (ticks - epoch) / kTicksPerSecond;
  return seconds > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<RecordTime>(seconds);
}

os::SystemTime RecordTimeToLocalTime(RecordTime time) {
  os::SystemTime local{};
  os::TicksToSystemTime(EpochTicks() + time * kTicksPerSecond, &local);
  return local;
}

void FormatRecordDate(RecordTime time, char* text, std::size_t size) {
  if (!text || size == 0) return;
  const os::SystemTime local = RecordTimeToLocalTime(time);
  std::snprintf(text, size, kRecordDateFormat, local.year % 100, local.month, local.day, local.hour,
                local.minute);
}

}  // namespace velm
