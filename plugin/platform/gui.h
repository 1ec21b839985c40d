// The window system as the plug-in uses it: cursors, the system beep, windows, drawing
// contexts, bitmaps, pens, brushes, fonts, inverted lines, Shift-JIS text, pixels. Win32
// GDI on Windows; elsewhere the stand-in host's virtual desktop. The operations are the
// classic Windows graphics calls under names of our own: colours are 0x00BBGGRR,
// rectangles exclude their right and bottom edges, lines exclude their end point.
#pragma once

#include <cstdint>

#include "host/types.h"

namespace velm::gui {

using CursorHandle = void*;
using WindowHandle = host::WindowRef;
// A drawing context (a device context on Windows).
using ContextHandle = host::PortRef;
// A pen, brush, font or bitmap.
using ObjectHandle = void*;
using ColorRef = std::uint32_t;

constexpr ColorRef Rgb(int red, int green, int blue) {
  return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(ColorRef c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(ColorRef c) {
  return static_cast<int>((c >> 16) & 0xFF);
}
// What GetPixel reports outside a context.
inline constexpr ColorRef kInvalidColor = 0xFFFFFFFF;

// Raster operations of pen drawing.
inline constexpr std::int32_t kRopNot = 6;  // inverts what lies below
inline constexpr std::int32_t kRopXorPen = 7;
inline constexpr std::int32_t kRopCopyPen = 13;
// Pen styles.
inline constexpr std::int32_t kPenSolid = 0;
inline constexpr std::int32_t kPenNull = 5;
// Text background modes.
inline constexpr std::int32_t kBackgroundTransparent = 1;
inline constexpr std::int32_t kBackgroundOpaque = 2;
// Stock objects.
inline constexpr std::int32_t kStockWhiteBrush = 0;
inline constexpr std::int32_t kStockBlackBrush = 4;
inline constexpr std::int32_t kStockNullBrush = 5;
inline constexpr std::int32_t kStockBlackPen = 7;
inline constexpr std::int32_t kStockNullPen = 8;
inline constexpr std::int32_t kShiftJisCharset = 128;

// ---- Cursors and the beep ----

// Loads cursor resource `id` of the plug-in module; null when it does not exist.
CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id);
// Makes `cursor` the current cursor.
void SetCursor(CursorHandle cursor);
// Sounds the system beep.
void Beep();

// Replaceable for tests: counts or silences the beep.
struct Overrides {
  void (*beep)() = nullptr;
};
Overrides& TestOverrides();

// ---- Windows ----

// The topmost child window of `parent`, or null.
WindowHandle TopChildWindow(WindowHandle parent);
// The window's client area in its own coordinates (left and top 0).
bool ClientRectOf(WindowHandle window, host::Rect* rect);
bool ScreenToClientPoint(WindowHandle window, host::Point* point);
bool ClientToScreenPoint(WindowHandle window, host::Point* point);
// The cursor's position in screen pixels.
bool CursorPosition(host::Point* point);

// ---- Drawing contexts and objects ----

// A context on the window's client area; a null window: the whole screen. Give it back
// with ReleaseWindowContext.
ContextHandle GetWindowContext(WindowHandle window);
void ReleaseWindowContext(WindowHandle window, ContextHandle context);
// A context on the whole display; free it with DeleteContext.
ContextHandle CreateDisplayContext();
// A memory context like `reference`; select a bitmap into it to draw there.
ContextHandle CreateMemoryContext(ContextHandle reference);
void DeleteContext(ContextHandle context);
// A colour bitmap for contexts like `reference`.
ObjectHandle CreateBitmap(ContextHandle reference, std::int32_t width, std::int32_t height);
ObjectHandle CreatePen(std::int32_t style, std::int32_t width, ColorRef color);
ObjectHandle CreateBrush(ColorRef color);
ObjectHandle StockObject(std::int32_t which);
// A font `height` pixels high (negative: the character height) in a character set.
ObjectHandle CreateTextFont(std::int32_t height, std::int32_t charset, const char* face);
// Selects an object into a context; the object it replaced (null on failure).
ObjectHandle Select(ContextHandle context, ObjectHandle object);
void DeleteObject(ObjectHandle object);

// ---- Drawing ----

// The previous raster operation of pen drawing.
std::int32_t SetRasterOp(ContextHandle context, std::int32_t rop);
ColorRef SetTextColor(ContextHandle context, ColorRef color);
ColorRef SetTextBackground(ContextHandle context, ColorRef color);
std::int32_t SetBackgroundMode(ContextHandle context, std::int32_t mode);
void MoveTo(ContextHandle context, std::int32_t x, std::int32_t y);
void LineTo(ContextHandle context, std::int32_t x, std::int32_t y);
void Polyline(ContextHandle context, const host::Point* points, std::int32_t count);
// Outlines with the pen, fills the inside with the brush.
void DrawRectangle(ContextHandle context, const host::Rect& rect);
void FillRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush);
void FrameRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush);
// Shift-JIS text in the selected font, (x, y) its top left.
void DrawTextAt(ContextHandle context, std::int32_t x, std::int32_t y, const char* text,
                std::int32_t length);
std::int32_t TextWidth(ContextHandle context, const char* text, std::int32_t length);
ColorRef GetPixel(ContextHandle context, std::int32_t x, std::int32_t y);
void SetPixel(ContextHandle context, std::int32_t x, std::int32_t y, ColorRef color);
// Copies width × height pixels from `source` at (sx, sy) to `target` at (x, y).
bool CopyPixels(ContextHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ContextHandle source, std::int32_t sx, std::int32_t sy);
// Reads width × height pixel colours from (x, y) on, rows top first.
bool ReadPixels(ContextHandle context, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ColorRef* colors);

}  // namespace velm::gui
