// The platform layer on POSIX systems: memory blocks, the clock and the process.
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/host_binding.h"
#include "platform/os.h"

namespace velm::os {
namespace {

struct MemHeader {
  std::uint32_t size;
  std::uint32_t magic;
  std::uint64_t pad;  // keeps the block 16-byte aligned
};
constexpr std::uint32_t kMemMagic = 0x4D454D42;

// Days from 1601-01-01 to the given proleptic Gregorian date.
std::int64_t DaysFrom1601(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int mp = (month + 9) % 12;
  const int doy = (153 * mp + 2) / 5 + day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t daysFrom0000 = static_cast<std::int64_t>(era) * 146097 + doe;
  // 1601-01-01 in the same count.
  constexpr std::int64_t k1601 = 1600 / 400 * 146097LL + 306;
  return daysFrom0000 - k1601;
}

}  // namespace

namespace {

MemBlockUse gBlocks;

void Held(std::uint64_t added, std::uint64_t removed) {
  gBlocks.held = gBlocks.held + added - removed;
  if (gBlocks.held > gBlocks.peak) gBlocks.peak = gBlocks.held;
}

// Takes one allocation off the test's allowance; false when it has run out.
bool Allowed() {
  Overrides& o = TestOverrides();
  if (o.allocationsBeforeFailure == 0) return false;
  if (o.allocationsBeforeFailure > 0) --o.allocationsBeforeFailure;
  return true;
}

}  // namespace

MemHandle MemAlloc(std::uint32_t size) {
  if (!Allowed()) return nullptr;
  // In a 32-bit process the header on top of a size near 4 GiB would wrap round to a
  // small block.
  if (static_cast<size_t>(size) > SIZE_MAX - sizeof(MemHeader)) return nullptr;
  void* raw = std::calloc(1, sizeof(MemHeader) + static_cast<size_t>(size));
  if (!raw) return nullptr;
  auto* header = static_cast<MemHeader*>(raw);
  header->size = size;
  header->magic = kMemMagic;
  Held(size, 0);
  return reinterpret_cast<MemHandle>(header + 1);
}

MemHandle MemGrow(MemHandle block, std::uint32_t size) {
  if (!block) return MemAlloc(size);
  const std::uint32_t old = MemSize(block);
  if (size < old || static_cast<size_t>(size) > SIZE_MAX - sizeof(MemHeader) || !Allowed())
    return nullptr;
  // The C library extends a large block in place or moves its pages, without a copy.
  void* raw =
      std::realloc(reinterpret_cast<MemHeader*>(block) - 1, sizeof(MemHeader) + size_t{size});
  if (!raw) return nullptr;
  auto* header = static_cast<MemHeader*>(raw);
  header->size = size;
  MemHandle grown = reinterpret_cast<MemHandle>(header + 1);
  std::memset(grown + old, 0, size - old);
  Held(size, old);
  return grown;
}

void MemFree(MemHandle block) {
  if (!block) return;
  auto* header = reinterpret_cast<MemHeader*>(block) - 1;
  Held(0, header->size);
  header->magic = 0;
  std::free(header);
}

std::uint32_t MemSize(MemHandle block) {
  if (!block) return 0;
  return (reinterpret_cast<MemHeader*>(block) - 1)->size;
}

MemBlockUse BlockUse() {
  return gBlocks;
}

void ResetBlockPeak() {
  gBlocks.peak = gBlocks.held;
}

void LocalTimeNow(SystemTime* time) {
  if (!time) return;
  if (TestOverrides().localTime) {
    TestOverrides().localTime(time);
    return;
  }
  if (const host::PlatformSuite* suite = platform::HostPlatform()) {
    if (suite->GetLocalTime(time)) return;
  }
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  time->year = static_cast<std::uint16_t>(local.tm_year + 1900);
  time->month = static_cast<std::uint16_t>(local.tm_mon + 1);
  time->dayOfWeek = static_cast<std::uint16_t>(local.tm_wday);
  time->day = static_cast<std::uint16_t>(local.tm_mday);
  time->hour = static_cast<std::uint16_t>(local.tm_hour);
  time->minute = static_cast<std::uint16_t>(local.tm_min);
  time->second = static_cast<std::uint16_t>(local.tm_sec);
  time->milliseconds = static_cast<std::uint16_t>(ts.tv_nsec / 1000000);
}

bool SystemTimeToTicks(const SystemTime* time, std::uint64_t* ticks) {
  if (!time || !ticks) return false;
  if (time->year < 1601 || time->year > 30827 || time->month < 1 || time->month > 12 ||
      time->day < 1 || time->day > 31 || time->hour > 23 || time->minute > 59 ||
      time->second > 59 || time->milliseconds > 999)
    return false;
  static const int kDaysIn[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (time->year % 4 == 0 && time->year % 100 != 0) || time->year % 400 == 0;
  const int limit = kDaysIn[time->month - 1] + (time->month == 2 && leap ? 1 : 0);
  if (time->day > limit) return false;
  const std::int64_t days = DaysFrom1601(time->year, time->month, time->day);
  const std::uint64_t seconds = static_cast<std::uint64_t>(days) * 86400ULL + time->hour * 3600ULL +
                                time->minute * 60ULL + time->second;
  *ticks = seconds * 10000000ULL + time->milliseconds * 10000ULL;
  return true;
}

bool TicksToSystemTime(std::uint64_t ticks, SystemTime* time) {
  if (!time || ticks >= 0x8000000000000000ULL) return false;
  const std::uint64_t totalMs = ticks / 10000ULL;
  const std::uint64_t totalSec = totalMs / 1000ULL;
  std::int64_t days = static_cast<std::int64_t>(totalSec / 86400ULL);
  const std::uint64_t secOfDay = totalSec % 86400ULL;
  // Civil date from days since 1601-01-01 (a Monday).
  const std::int64_t z = days + 1600 / 400 * 146097LL + 306;
  const std::int64_t era = z / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  const std::int64_t d = doy - (153 * mp + 2) / 5 + 1;
  const std::int64_t m = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
  if (y > 30827) return false;
  time->year = static_cast<std::uint16_t>(y);
  time->month = static_cast<std::uint16_t>(m);
  time->day = static_cast<std::uint16_t>(d);
  time->dayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);
  time->hour = static_cast<std::uint16_t>(secOfDay / 3600);
  time->minute = static_cast<std::uint16_t>(secOfDay % 3600 / 60);
  time->second = static_cast<std::uint16_t>(secOfDay % 60);
  time->milliseconds = static_cast<std::uint16_t>(totalMs % 1000);
  return true;
}

std::uint32_t ProcessId() {
  return static_cast<std::uint32_t>(::getpid());
}

std::uint32_t TickCount() {
  if (TestOverrides().tickCount) return TestOverrides().tickCount();
  if (const host::PlatformSuite* suite = platform::HostPlatform()) {
    std::uint32_t ticks = 0;
    if (suite->GetTickCount(&ticks)) return ticks;
  }
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  const std::uint64_t ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000ULL +
                           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000ULL;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace velm::os
