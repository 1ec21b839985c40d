// Off Windows, the window system the plug-in draws on (windows, drawing contexts,
// bitmaps, pens, brushes, fonts, pixels) is the stand-in host's virtual desktop, offered
// as one more suite beside the platform suite. Its operations follow the classic Windows
// graphics calls one for one, so the gui layer maps onto either without translation:
// colours are 0x00BBGGRR, rectangles exclude their right and bottom edges, lines exclude
// their end point, texts are Shift-JIS.
#pragma once

#include <cstdint>

#include "host/suite_decl.h"
#include "host/types.h"

namespace host {

// A pen, brush, font or bitmap of the desktop.
using GdiRef = void*;

// Raster operations of pen drawing (SetROP2).
enum DesktopRop : std::int32_t {
  kRopBlack = 1,
  kRopNot = 6,  // inverts what lies below
  kRopXorPen = 7,
  kRopNotXorPen = 10,
  kRopNop = 11,
  kRopCopyPen = 13,
  kRopWhite = 16,
};
enum DesktopPenStyle : std::int32_t {
  kPenSolid = 0,
  kPenNull = 5,
};
enum DesktopBkMode : std::int32_t {
  kBkTransparent = 1,
  kBkOpaque = 2,
};
// GetStockObject.
enum DesktopStockObject : std::int32_t {
  kStockWhiteBrush = 0,
  kStockBlackBrush = 4,
  kStockNullBrush = 5,
  kStockBlackPen = 7,
  kStockNullPen = 8,
};
inline constexpr std::int32_t kShiftJisCharset = 128;
// What GetPixel reports outside the context.
inline constexpr std::uint32_t kInvalidColor = 0xFFFFFFFF;

#define VELM_SUITE_DESKTOP(OP)                                                                     \
  /* The topmost child window of `parent`; null when it has none. */                               \
  OP(WindowRef, GetTopChild, (WindowRef parent))                                                   \
  /* The window's client area in its own coordinates (left and top 0). */                          \
  OP(Boolean, GetClientRect, (WindowRef window, Rect * rect))                                      \
  /* Converts a screen point to the window's client coordinates. */                                \
  OP(Boolean, ScreenToClient, (WindowRef window, Point * point))                                   \
  /* Converts a client point of the window to screen coordinates. */                               \
  OP(Boolean, ClientToScreen, (WindowRef window, Point * point))                                   \
  /* The cursor's position in screen coordinates. */                                               \
  OP(Boolean, GetCursorPos, (Point * point))                                                       \
  /* A context drawing into the window's client area; a null window: the whole screen. */          \
  OP(PortRef, GetDC, (WindowRef window))                                                           \
  /* Gives back a context of GetDC. */                                                             \
  OP(Boolean, ReleaseDC, (WindowRef window, PortRef dc))                                           \
  /* A context on the whole display (screen coordinates). */                                       \
  OP(PortRef, CreateDisplayDC, ())                                                                 \
  /* A memory context like `reference`, holding a 1 × 1 bitmap until another is selected. */      \
  OP(PortRef, CreateCompatibleDC, (PortRef reference))                                             \
  /* Frees a context of CreateDisplayDC or CreateCompatibleDC. */                                  \
  OP(Boolean, DeleteDC, (PortRef dc))                                                              \
  /* A colour bitmap of width × height pixels, all black. */                                      \
  OP(GdiRef, CreateCompatibleBitmap, (PortRef reference, std::int32_t width, std::int32_t height)) \
  /* A pen of a DesktopPenStyle, width in pixels and colour. */                                    \
  OP(GdiRef, CreatePen, (std::int32_t style, std::int32_t width, std::uint32_t color))             \
  /* A solid brush. */                                                                             \
  OP(GdiRef, CreateSolidBrush, (std::uint32_t color))                                              \
  /* One of the desktop's own objects (DesktopStockObject); never deleted. */                      \
  OP(GdiRef, GetStockObject, (std::int32_t which))                                                 \
  /* A font `height` pixels high (negative: the character height) in a character set, by           \
     face name (a face the desktop lacks is replaced by its Japanese font). */                     \
  OP(GdiRef, CreateFont, (std::int32_t height, std::int32_t charset, const char* face))            \
  /* Selects a pen, brush, font or (into a memory context) bitmap; the object it replaces,         \
     or null on failure. */                                                                        \
  OP(GdiRef, SelectObject, (PortRef dc, GdiRef object))                                            \
  /* Frees an object that no context holds. */                                                     \
  OP(Boolean, DeleteObject, (GdiRef object))                                                       \
  /* Sets the raster operation of pen drawing (DesktopRop); the previous one, 0 on failure. */     \
  OP(std::int32_t, SetROP2, (PortRef dc, std::int32_t rop))                                        \
  /* Sets the text colour; the previous one. */                                                    \
  OP(std::uint32_t, SetTextColor, (PortRef dc, std::uint32_t color))                               \
  /* Sets the text background colour; the previous one. */                                         \
  OP(std::uint32_t, SetBkColor, (PortRef dc, std::uint32_t color))                                 \
  /* Sets the text background mode (DesktopBkMode); the previous one. */                           \
  OP(std::int32_t, SetBkMode, (PortRef dc, std::int32_t mode))                                     \
  /* Moves the pen position. */                                                                    \
  OP(Boolean, MoveTo, (PortRef dc, std::int32_t x, std::int32_t y))                                \
  /* Draws with the pen from the pen position to (x, y), which becomes the position. */            \
  OP(Boolean, LineTo, (PortRef dc, std::int32_t x, std::int32_t y))                                \
  /* Draws connected lines through `count` points with the pen. */                                 \
  OP(Boolean, Polyline, (PortRef dc, const Point* points, std::int32_t count))                     \
  /* Outlines a rectangle with the pen and fills its inside with the brush. */                     \
  OP(Boolean, Rectangle,                                                                           \
     (PortRef dc, std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom))   \
  /* Fills a rectangle with a brush. */                                                            \
  OP(Boolean, FillRect, (PortRef dc, const Rect* rect, GdiRef brush))                              \
  /* Draws a one-pixel border inside a rectangle with a brush. */                                  \
  OP(Boolean, FrameRect, (PortRef dc, const Rect* rect, GdiRef brush))                             \
  /* Draws `length` bytes of Shift-JIS text in the selected font, (x, y) its top left. */          \
  OP(Boolean, TextOut,                                                                             \
     (PortRef dc, std::int32_t x, std::int32_t y, const char* text, std::int32_t length))          \
  /* Width in pixels of `length` bytes of text in the selected font. */                            \
  OP(std::int32_t, GetTextWidth, (PortRef dc, const char* text, std::int32_t length))              \
  /* The colour of a pixel, kInvalidColor outside the context's drawing area. */                   \
  OP(std::uint32_t, GetPixel, (PortRef dc, std::int32_t x, std::int32_t y))                        \
  /* Sets a pixel; the colour set, kInvalidColor outside. */                                       \
  OP(std::uint32_t, SetPixel, (PortRef dc, std::int32_t x, std::int32_t y, std::uint32_t color))   \
  /* Copies width × height pixels from `src` at (sx, sy) to `dst` at (x, y). */                   \
  OP(Boolean, BitBlt,                                                                              \
     (PortRef dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,        \
      PortRef src, std::int32_t sx, std::int32_t sy))                                              \
  /* Copies width × height pixel colours from (x, y) on, rows top first, into `colors`;           \
     kInvalidColor for pixels outside the drawing area. */                                         \
  OP(Boolean, ReadPixels,                                                                          \
     (PortRef dc, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,         \
      std::uint32_t * colors))
VELM_DECLARE_SUITE(DesktopSuite, "VELM Desktop Suite", 1, VELM_SUITE_DESKTOP)

}  // namespace host
