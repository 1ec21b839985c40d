// What every writer of a capture shares: the record being captured (the globals block's
// `currentRecord`, swapped for the scratch record while a pattern definition is written),
// appending objects and markers to it, growing object buffers, and stopping the capture
// when art would be lost.
//
// A capture that runs out of memory, that the host fails while it reads art (an object
// would be left out, or a path's segments cannot be read), or that meets art the stream
// cannot hold is stopped as a whole: every later append, growth and walk step does
// nothing, and the art tree writer then discards the half-built record and reports the
// first reason instead of storing part of the art.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "platform/memory.h"
#include "platform/os.h"

namespace velm {

// Starts a capture into the globals block's current record: markers go there, the
// capture is not stopped, `captureAll` and `patternCounter` are cleared.
void BeginCapture();
// Ends it: markers have no target any more.
void EndCapture();

// True once the capture was stopped.
bool CaptureStopped();
// Stops the capture for `reason`: a host error, or -1 for memory or art the stream cannot
// hold. The first reason is kept; kNoErr stops nothing.
void StopCapture(host::Err reason = -1);
// The reason the capture was stopped, or kNoErr.
host::Err CaptureFailure();

// Makes `object` a zero-filled buffer of at least `size` bytes in `granule` steps (the
// handle is updated). False, with the capture stopped, when memory runs out.
bool GrowObject(os::MemHandle& object, std::uint32_t size, std::uint32_t granule = kListGranule);

// Appends an object (its `length` bytes) or a marker to the record being captured. The
// record grows by doubling, so a capture of many objects copies each byte a bounded number
// of times. False, with the capture stopped, when memory runs out or the record would pass
// 2 GiB.
bool AppendObject(const std::uint8_t* object);
bool AppendMarker(const char* text);

// Art the stream cannot hold as the host draws it, stored without what it cannot hold and
// counted by kind, so that the capture's caller can say what the record lacks.
enum class CaptureLoss : int {
  // A group whose opacity could not be carried down onto the art inside it.
  kGroupOpacity,
  // A painted gradient on a path's stroke (stored as gray 0).
  kStrokeGradient,
  kCount
};
void NoteCaptureLoss(CaptureLoss kind);
// How often the last capture (since BeginCapture) met `kind`.
std::int32_t CaptureLossCount(CaptureLoss kind);
// The kind for people: "group opacity", "stroke gradient".
const char* CaptureLossName(CaptureLoss kind);

// The opacity of the groups and compound paths around the art being captured, carried
// down onto it: the writers multiply it into the opacity they store. 1 outside them.
host::Real CarriedOpacity();
// Multiplies `opacity` into the carried opacity for the life of the object; `alone` (art
// that is not drawn where it lies, as a pattern's tile) makes it the carried opacity.
class CarriedOpacityScope {
 public:
  explicit CarriedOpacityScope(host::Real opacity, bool alone = false);
  ~CarriedOpacityScope();
  CarriedOpacityScope(const CarriedOpacityScope&) = delete;
  CarriedOpacityScope& operator=(const CarriedOpacityScope&) = delete;

 private:
  host::Real saved_;
};

// Sets `captureAll` for the life of the object and puts the earlier value back after.
class CaptureAllScope {
 public:
  CaptureAllScope();
  ~CaptureAllScope();
  CaptureAllScope(const CaptureAllScope&) = delete;
  CaptureAllScope& operator=(const CaptureAllScope&) = delete;

 private:
  std::int16_t saved_;
};

}  // namespace velm
