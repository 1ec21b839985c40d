#include "placement/preview.h"

#include <cmath>

#include "database/group_file.h"
#include "database/record.h"
#include "frame/globals.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "placement/snap_snapshot.h"
#include "placement/snapping.h"
#include "platform/gui.h"

namespace velm {
namespace {

// The version of a host that does not say.
constexpr std::int32_t kUnknownHostVersion = 7;
// Hosts above this version put one more window between the frame and the document.
constexpr std::int32_t kNestedDocumentVersion = 8;
// Cursor slots of the four snap kinds (grid and none share the first).
constexpr int kGridCursor = 4;
// Screen positions further out than this are clamped before they reach the window system
// (whose coordinates are 16-bit on older systems); every screen lies well inside.
constexpr std::int64_t kCoordinateLimit = 30000;
// Cursor positions are kept within this, so that window offsets cannot overflow them (the
// erase position lies well inside).
constexpr std::int64_t kPositionLimit = 1 << 24;

std::int32_t HostVersion() {
  const char* text = nullptr;
  if (!sRuntime || sRuntime->GetAppVersion(&text) != host::kNoErr || !text)
    return kUnknownHostVersion;
  // The text up to its first "." read as a signed decimal.
  const char* p = text;
  while (*p == ' ' || *p == '\t')
    ++p;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = *p++ == '-';
  if (*p < '0' || *p > '9') return kUnknownHostVersion;
  std::int32_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (value < 100000) value = value * 10 + (*p - '0');
  return negative ? -value : value;
}

int CursorSlot(std::int16_t kind) {
  switch (kind) {
    case kGridSnap:
      return 4;
    case kAnchorSnap:
      return 5;
    case kIntersectionSnap:
      return 6;
    case kOnPathSnap:
      return 7;
    default:
      return kGridCursor;
  }
}

std::int32_t Clamp(std::int64_t value, std::int64_t limit) {
  return static_cast<std::int32_t>(value < -limit ? -limit : value > limit ? limit : value);
}

host::Real FixedToReal(host::Fixed value) {
  if (sFixedMath && sFixedMath->FixedToReal) return sFixedMath->FixedToReal(value);
  return static_cast<host::Real>(value / 65536.0);
}

// The outline of the record's bounds at `point`, in the view's window pixels; false when
// it cannot be placed there.
bool OutlineRect(host::DocumentViewHandle view, const Record& header, const host::RealPoint& point,
                 std::int32_t originMode, host::Rect* rect) {
  const host::RealRect bounds{FixedToReal(header.bounds.left), FixedToReal(header.bounds.top),
                              FixedToReal(header.bounds.right), FixedToReal(header.bounds.bottom)};
  const host::RealPoint offset = OutlineOffset(bounds, originMode);
  const host::RealPoint topLeft{bounds.left + point.h + offset.h, bounds.top + point.v + offset.v};
  const host::RealPoint bottomRight{bounds.right + point.h + offset.h,
                                    bounds.bottom + point.v + offset.v};
  if (!std::isfinite(topLeft.h) || !std::isfinite(topLeft.v) || !std::isfinite(bottomRight.h) ||
      !std::isfinite(bottomRight.v))
    return false;
  host::Point a{}, b{};
  if (sDocumentView->ArtworkPointToViewPoint(view, &topLeft, &a) != host::kNoErr ||
      sDocumentView->ArtworkPointToViewPoint(view, &bottomRight, &b) != host::kNoErr)
    return false;
  *rect = {a.h, a.v, b.h, b.v};
  return true;
}

host::Rect ShownRect(const Globals* g) {
  return {g->previewRect[0], g->previewRect[1], g->previewRect[2], g->previewRect[3]};
}

}  // namespace

host::RealPoint OutlineOffset(const host::RealRect& bounds, std::int32_t originMode) {
  const double negativeWidth = static_cast<double>(bounds.left) - bounds.right;
  const double negativeHeight = static_cast<double>(bounds.bottom) - bounds.top;
  double x = 0, y = 0;
  switch (originMode) {
    case 0:
      y = negativeHeight;
      break;
    case 1:
      y = negativeHeight / 2.0;
      break;
    case 2:
      break;
    case 3:
      x = negativeWidth / 2.0;
      y = negativeHeight;
      break;
    case 4:
      x = negativeWidth / 2.0;
      y = negativeHeight / 2.0;
      break;
    case 5:
      x = negativeWidth / 2.0;
      break;
    case 6:
      x = negativeWidth;
      y = negativeHeight;
      break;
    case 7:
      x = negativeWidth;
      y = negativeHeight / 2.0;
      break;
    case 8:
      x = negativeWidth;
      break;
    default:
      break;
  }
  return {static_cast<host::Real>(x), static_cast<host::Real>(y)};
}

host::WindowRef FindDocumentWindow() {
  host::WindowRef window = nullptr;
  if (!sContext || sContext->GetPlatformAppWindow(&window) != host::kNoErr || !window)
    return nullptr;
  window = gui::TopChildWindow(window);
  if (window) window = gui::TopChildWindow(window);
  if (window && HostVersion() > kNestedDocumentVersion) window = gui::TopChildWindow(window);
  return window;
}

void DrawOutline(host::PortRef context, const host::Rect& rect, const host::Point& delta) {
  auto at = [&](std::int32_t h, std::int32_t v) {
    return host::Point{Clamp(std::int64_t{h} - delta.h, kCoordinateLimit),
                       Clamp(std::int64_t{v} - delta.v, kCoordinateLimit)};
  };
  const host::Point points[5] = {at(rect.left, rect.top), at(rect.left, rect.bottom),
                                 at(rect.right, rect.bottom), at(rect.right, rect.top),
                                 at(rect.left, rect.top)};
  gui::Polyline(context, points, 5);
}

std::int32_t VelmDrawArt(std::int32_t x, std::int32_t y, const char* group,
                         std::int32_t recordNumber) {
  Trace("VelmDrawArt_START\r\n");
  Globals* g = gGlobals;
  if (!g || !sDocumentView) return 0;
  host::DocumentViewHandle view = nullptr;
  const bool haveView = sDocumentView->GetNthDocumentView(0, &view) == host::kNoErr && view;
  const host::WindowRef window = FindDocumentWindow();
  if (!window) return 0;

  const host::Point screen{Clamp(x, kPositionLimit), Clamp(y, kPositionLimit)};
  host::Point client = screen;
  if (!gui::ScreenToClientPoint(window, &client)) return 0;
  const host::Point delta{client.h - screen.h, client.v - screen.v};
  const bool erase = client.h >= kPreviewOffWindow || client.v >= kPreviewOffWindow;

  host::RealPoint point{};
  // The erase call ends the drag: the art is placed next, so the snapshot is stale.
  if (erase) EndDragSnapshot();
  if (!erase) {
    if (!haveView || sDocumentView->ViewPointToArtworkPoint(view, &client, &point) != host::kNoErr)
      return 0;
    const std::int16_t kind = SnapPlacementPoint(&point);
    if (kind != g->lastSnapKind) {
      g->lastSnapKind = kind;
      if (void* cursor = g->snapCursors[CursorSlot(kind)]) gui::SetCursor(cursor);
    }
    // The same point as last time: the outline on the screen is already right.
    if (point.h == g->dropPoint.h && point.v == g->dropPoint.v) return 0;
    g->dropPoint = point;
  }

  const gui::ContextHandle dc = gui::CreateDisplayContext();
  if (!dc) return 0;
  const gui::ObjectHandle pen = gui::CreatePen(gui::kPenSolid, 1, gui::Rgb(0, 0, 0));
  const gui::ObjectHandle previousPen = pen ? gui::Select(dc, pen) : nullptr;
  const std::int32_t previousRop = gui::SetRasterOp(dc, gui::kRopNot);

  VelmReadRecord(group, recordNumber, nullptr, kReadHeaderOnly, true);
  if (erase) {
    // The outline goes whether or not the record can still be read: nothing else would
    // ever take it off the screen.
    if (g->previewShown) DrawOutline(dc, ShownRect(g), delta);
    g->previewShown = 0;
  } else if (g->currentRecord) {
    if (g->previewShown) DrawOutline(dc, ShownRect(g), delta);
    host::Rect rect{};
    if (haveView &&
        OutlineRect(view, *RecordHeader(g->currentRecord), point, g->originMode, &rect)) {
      DrawOutline(dc, rect, delta);
      ++g->previewShown;
      g->previewRect[0] = rect.left;
      g->previewRect[1] = rect.top;
      g->previewRect[2] = rect.right;
      g->previewRect[3] = rect.bottom;
    } else {
      g->previewShown = 0;  // the old outline is gone and no new one is there
    }
  }

  if (previousRop) gui::SetRasterOp(dc, previousRop);
  if (previousPen) gui::Select(dc, previousPen);
  if (pen) gui::DeleteObject(pen);
  gui::DeleteContext(dc);
  Trace("VelmDrawArt_END\r\n");
  return 0;
}

}  // namespace velm
