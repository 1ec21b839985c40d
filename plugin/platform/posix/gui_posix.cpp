// The window system off Windows: cursors and the beep go to the host's platform suite,
// windows and drawing to its virtual desktop. Without a host every call does nothing
// and reports failure.
#include "platform/desktop_suite.h"
#include "platform/gui.h"
#include "platform/host_binding.h"
#include "resources/resource_table.h"

namespace velm::gui {
namespace {

const host::DesktopSuite* Desktop() {
  return platform::HostDesktop();
}

}  // namespace

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id) {
  (void)module;  // the module's resources are linked into this very table
  const res::Image* image = res::FindImage(res::Resources(), id, res::ImageKind::kCursor);
  return const_cast<res::Image*>(image);
}

void SetCursor(CursorHandle cursor) {
  if (const host::PlatformSuite* suite = platform::HostPlatform())
    suite->SetCursor(cursor ? static_cast<const res::Image*>(cursor)->id : 0);
}

void Beep() {
  if (TestOverrides().beep) {
    TestOverrides().beep();
  } else if (const host::PlatformSuite* suite = platform::HostPlatform()) {
    suite->Beep();
  }
}

// ---- Windows ----

WindowHandle TopChildWindow(WindowHandle parent) {
  return Desktop() ? Desktop()->GetTopChild(parent) : nullptr;
}
bool ClientRectOf(WindowHandle window, host::Rect* rect) {
  return Desktop() && Desktop()->GetClientRect(window, rect);
}
bool ScreenToClientPoint(WindowHandle window, host::Point* point) {
  return Desktop() && Desktop()->ScreenToClient(window, point);
}
bool ClientToScreenPoint(WindowHandle window, host::Point* point) {
  return Desktop() && Desktop()->ClientToScreen(window, point);
}
bool CursorPosition(host::Point* point) {
  return Desktop() && Desktop()->GetCursorPos(point);
}

// ---- Drawing contexts and objects ----

ContextHandle GetWindowContext(WindowHandle window) {
  return Desktop() ? Desktop()->GetDC(window) : nullptr;
}
void ReleaseWindowContext(WindowHandle window, ContextHandle context) {
  if (Desktop()) Desktop()->ReleaseDC(window, context);
}
ContextHandle CreateDisplayContext() {
  return Desktop() ? Desktop()->CreateDisplayDC() : nullptr;
}
ContextHandle CreateMemoryContext(ContextHandle reference) {
  return Desktop() ? Desktop()->CreateCompatibleDC(reference) : nullptr;
}
void DeleteContext(ContextHandle context) {
  if (Desktop()) Desktop()->DeleteDC(context);
}
ObjectHandle CreateBitmap(ContextHandle reference, std::int32_t width, std::int32_t height) {
  return Desktop() ? Desktop()->CreateCompatibleBitmap(reference, width, height) : nullptr;
}
ObjectHandle CreatePen(std::int32_t style, std::int32_t width, ColorRef color) {
  return Desktop() ? Desktop()->CreatePen(style, width, color) : nullptr;
}
ObjectHandle CreateBrush(ColorRef color) {
  return Desktop() ? Desktop()->CreateSolidBrush(color) : nullptr;
}
ObjectHandle StockObject(std::int32_t which) {
  return Desktop() ? Desktop()->GetStockObject(which) : nullptr;
}
ObjectHandle CreateTextFont(std::int32_t height, std::int32_t charset, const char* face) {
  return Desktop() ? Desktop()->CreateFont(height, charset, face) : nullptr;
}
ObjectHandle Select(ContextHandle context, ObjectHandle object) {
  return Desktop() ? Desktop()->SelectObject(context, object) : nullptr;
}
void DeleteObject(ObjectHandle object) {
  if (Desktop()) Desktop()->DeleteObject(object);
}

// ---- Drawing ----

std::int32_t SetRasterOp(ContextHandle context, std::int32_t rop) {
  return Desktop() ? Desktop()->SetROP2(context, rop) : 0;
}
ColorRef SetTextColor(ContextHandle context, ColorRef color) {
  return Desktop() ? Desktop()->SetTextColor(context, color) : kInvalidColor;
}
ColorRef SetTextBackground(ContextHandle context, ColorRef color) {
  return Desktop() ? Desktop()->SetBkColor(context, color) : kInvalidColor;
}
std::int32_t SetBackgroundMode(ContextHandle context, std::int32_t mode) {
  return Desktop() ? Desktop()->SetBkMode(context, mode) : 0;
}
void MoveTo(ContextHandle context, std::int32_t x, std::int32_t y) {
  if (Desktop()) Desktop()->MoveTo(context, x, y);
}
void LineTo(ContextHandle context, std::int32_t x, std::int32_t y) {
  if (Desktop()) Desktop()->LineTo(context, x, y);
}
void Polyline(ContextHandle context, const host::Point* points, std::int32_t count) {
  if (Desktop()) Desktop()->Polyline(context, points, count);
}
void DrawRectangle(ContextHandle context, const host::Rect& rect) {
  if (Desktop()) Desktop()->Rectangle(context, rect.left, rect.top, rect.right, rect.bottom);
}
void FillRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush) {
  if (Desktop()) Desktop()->FillRect(context, &rect, brush);
}
void FrameRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush) {
  if (Desktop()) Desktop()->FrameRect(context, &rect, brush);
}
void DrawTextAt(ContextHandle context, std::int32_t x, std::int32_t y, const char* text,
                std::int32_t length) {
  if (Desktop()) Desktop()->TextOut(context, x, y, text, length);
}
std::int32_t TextWidth(ContextHandle context, const char* text, std::int32_t length) {
  return Desktop() ? Desktop()->GetTextWidth(context, text, length) : 0;
}
ColorRef GetPixel(ContextHandle context, std::int32_t x, std::int32_t y) {
  return Desktop() ? Desktop()->GetPixel(context, x, y) : kInvalidColor;
}
void SetPixel(ContextHandle context, std::int32_t x, std::int32_t y, ColorRef color) {
  if (Desktop()) Desktop()->SetPixel(context, x, y, color);
}
bool CopyPixels(ContextHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ContextHandle source, std::int32_t sx, std::int32_t sy) {
  return Desktop() && Desktop()->BitBlt(target, x, y, width, height, source, sx, sy);
}
bool ReadPixels(ContextHandle context, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ColorRef* colors) {
  return Desktop() && Desktop()->ReadPixels(context, x, y, width, height, colors);
}

}  // namespace velm::gui
