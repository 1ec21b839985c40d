#include "capture/capture_context.h"

#include <cstring>

#include "artformat/art_objects.h"
#include "database/art_stream.h"
#include "database/record.h"
#include "frame/globals.h"

namespace velm {

namespace {

bool gStopped = false;
host::Err gReason = host::kNoErr;
std::int32_t gLosses[static_cast<int>(CaptureLoss::kCount)] = {};
host::Real gCarriedOpacity = 1.0f;

constexpr std::uint64_t kLargestRecord = 0x7FFFFFFF;

// Makes room for `extra` more bytes in the record being captured, doubling its block when
// it is full (in whole record granules), so that appends copy the stream rarely.
bool ReserveRecord(std::uint32_t extra) {
  os::MemHandle& record = gGlobals->currentRecord;
  if (!record) return false;
  const std::uint64_t needed =
      static_cast<std::uint64_t>(RecordHeader(record)->recordLength) + extra;
  if (needed > kLargestRecord) return false;
  const std::uint64_t size = os::MemSize(record);
  if (needed <= size) return true;
  std::uint64_t target = size * 2;
  if (target < needed) target = needed;
  if (target > kLargestRecord) target = kLargestRecord;
  // A doubled block that cannot be had is retried at the size needed.
  return GrowBlock(record, static_cast<std::uint32_t>(target), kRecordGranule) ||
         GrowBlock(record, static_cast<std::uint32_t>(needed), kRecordGranule);
}

}  // namespace

void BeginCapture() {
  gStopped = false;
  gReason = host::kNoErr;
  for (std::int32_t& count : gLosses)
    count = 0;
  gCarriedOpacity = 1.0f;
  gMarkerTarget = &gGlobals->currentRecord;
  gGlobals->captureAll = 0;
  gGlobals->patternCounter = 0;
}

void EndCapture() {
  gMarkerTarget = nullptr;
}

bool CaptureStopped() {
  return gStopped;
}

void StopCapture(host::Err reason) {
  if (reason == host::kNoErr || gStopped) return;
  gStopped = true;
  gReason = reason;
}

host::Err CaptureFailure() {
  return gStopped ? gReason : host::kNoErr;
}

bool GrowObject(os::MemHandle& object, std::uint32_t size, std::uint32_t granule) {
  if (gStopped) return false;
  if (GrowBlock(object, size, granule)) return true;
  StopCapture();
  return false;
}

bool AppendObject(const std::uint8_t* object) {
  if (gStopped) return false;
  std::int32_t length = 0;
  std::memcpy(&length, object + offsetof(ObjectHeader, length), sizeof length);
  if (length < static_cast<std::int32_t>(sizeof(ObjectHeader)) ||
      !ReserveRecord(static_cast<std::uint32_t>(length)) ||
      AddVELMObj(gGlobals->currentRecord, object) != 0) {
    StopCapture();
    return false;
  }
  return true;
}

bool AppendMarker(const char* text) {
  if (gStopped) return false;
  const std::size_t length = kMarkerOverhead + std::strlen(text);
  if (length > kLargestRecord || !ReserveRecord(static_cast<std::uint32_t>(length)) ||
      AddMarker(text) != 0) {
    StopCapture();
    return false;
  }
  return true;
}

void NoteCaptureLoss(CaptureLoss kind) {
  ++gLosses[static_cast<int>(kind)];
}

std::int32_t CaptureLossCount(CaptureLoss kind) {
  return gLosses[static_cast<int>(kind)];
}

const char* CaptureLossName(CaptureLoss kind) {
  switch (kind) {
    case CaptureLoss::kGroupOpacity:
      return "group opacity";
    case CaptureLoss::kStrokeGradient:
      return "stroke gradient";
    default:
      return "";
  }
}

host::Real CarriedOpacity() {
  return gCarriedOpacity;
}

CarriedOpacityScope::CarriedOpacityScope(host::Real opacity, bool alone) : saved_(gCarriedOpacity) {
  gCarriedOpacity = alone ? opacity : saved_ * opacity;
}

CarriedOpacityScope::~CarriedOpacityScope() {
  gCarriedOpacity = saved_;
}

CaptureAllScope::CaptureAllScope() : saved_(gGlobals->captureAll) {
  gGlobals->captureAll = 1;
}

CaptureAllScope::~CaptureAllScope() {
  gGlobals->captureAll = saved_;
}

}  // namespace velm
