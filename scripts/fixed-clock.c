// The wall clock fixed at 2026-04-01 09:30:00 UTC for a program and what it starts
// (LD_PRELOAD): records carry the date they were made. The monotonic clock, which timers
// and waits use, runs on. Used by scripts/compare-demo.sh and scripts/windows-demo.sh.
#define _GNU_SOURCE
#include <dlfcn.h>
#include <sys/time.h>
#include <time.h>
static const time_t kFixed = 1775035800;
int clock_gettime(clockid_t id, struct timespec* ts) {
  static int (*real)(clockid_t, struct timespec*);
  if (!real) real = (int (*)(clockid_t, struct timespec*))dlsym(RTLD_NEXT, "clock_gettime");
  if (id == CLOCK_REALTIME || id == CLOCK_REALTIME_COARSE) {
    ts->tv_sec = kFixed;
    ts->tv_nsec = 0;
    return 0;
  }
  return real(id, ts);
}
time_t time(time_t* t) {
  if (t) *t = kFixed;
  return kFixed;
}
int gettimeofday(struct timeval* tv, void* tz) {
  (void)tz;
  if (tv) {
    tv->tv_sec = kFixed;
    tv->tv_usec = 0;
  }
  return 0;
}
