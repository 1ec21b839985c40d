// The window system on Windows: User32 for cursors, the beep and windows, GDI for
// drawing. Resources (cursors) come from the plug-in module itself, whose instance the
// host hands over in every message. The gui layer's constants are the system's own
// values (pen styles, raster operations, stock objects, background modes), so they pass
// through unchanged; texts are Shift-JIS and are drawn through the wide calls.
#include <windows.h>

#include <cstring>
#include <new>

#include "platform/gui.h"
#include "platform/win32/sjis_win32.h"

namespace velm::gui {
namespace {

static_assert(kRopNot == R2_NOT && kRopXorPen == R2_XORPEN && kRopCopyPen == R2_COPYPEN);
static_assert(kPenSolid == PS_SOLID && kPenNull == PS_NULL);
static_assert(kBackgroundTransparent == TRANSPARENT && kBackgroundOpaque == OPAQUE);
static_assert(kStockWhiteBrush == WHITE_BRUSH && kStockBlackBrush == BLACK_BRUSH &&
              kStockNullBrush == NULL_BRUSH && kStockBlackPen == BLACK_PEN &&
              kStockNullPen == NULL_PEN);
static_assert(kShiftJisCharset == SHIFTJIS_CHARSET && kInvalidColor == CLR_INVALID);

HINSTANCE ToInstance(host::ModuleInstance module) {
  return reinterpret_cast<HINSTANCE>(module);
}
HWND ToWindow(WindowHandle window) {
  return static_cast<HWND>(window);
}
HDC ToDc(ContextHandle context) {
  return static_cast<HDC>(context);
}
RECT ToRect(const host::Rect& r) {
  return RECT{r.left, r.top, r.right, r.bottom};
}

// A Shift-JIS text converted for the wide calls: on the stack when short, else on the
// heap. `units` is -1 when the text is not valid Shift-JIS or memory ran out.
class WideText {
 public:
  WideText(const char* text, std::int32_t length) {
    if (!text || length < 0) return;
    if (length > static_cast<std::int32_t>(sizeof local_ / sizeof local_[0])) {
      heap_ = new (std::nothrow) wchar_t[static_cast<std::size_t>(length)];
      if (!heap_) return;
    }
    units_ = win32::SjisToWideCount(text, length, data(), length > 0 ? length : 1);
  }
  ~WideText() { delete[] heap_; }
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  const wchar_t* data() const { return heap_ ? heap_ : local_; }
  wchar_t* data() { return heap_ ? heap_ : local_; }
  int units() const { return units_; }

 private:
  wchar_t local_[256];
  wchar_t* heap_ = nullptr;
  int units_ = -1;
};

}  // namespace

Overrides& TestOverrides() {
  static Overrides overrides;
  return overrides;
}

// ---- Cursors and the beep ----

CursorHandle LoadCursorResource(host::ModuleInstance module, std::int32_t id) {
  if (!module || id <= 0 || id > 0xFFFF) return nullptr;
  return LoadCursorW(ToInstance(module), MAKEINTRESOURCEW(id));
}

void SetCursor(CursorHandle cursor) {
  ::SetCursor(static_cast<HCURSOR>(cursor));
}

void Beep() {
  if (TestOverrides().beep) {
    TestOverrides().beep();
    return;
  }
  MessageBeep(MB_OK);
}

// ---- Windows ----

WindowHandle TopChildWindow(WindowHandle parent) {
  if (!parent) return nullptr;
  return GetWindow(ToWindow(parent), GW_CHILD);
}

bool ClientRectOf(WindowHandle window, host::Rect* rect) {
  RECT r;
  if (!window || !rect || !GetClientRect(ToWindow(window), &r)) return false;
  *rect = host::Rect{r.left, r.top, r.right, r.bottom};
  return true;
}

bool ScreenToClientPoint(WindowHandle window, host::Point* point) {
  if (!window || !point) return false;
  POINT p{point->h, point->v};
  if (!ScreenToClient(ToWindow(window), &p)) return false;
  *point = host::Point{p.x, p.y};
  return true;
}

bool ClientToScreenPoint(WindowHandle window, host::Point* point) {
  if (!window || !point) return false;
  POINT p{point->h, point->v};
  if (!ClientToScreen(ToWindow(window), &p)) return false;
  *point = host::Point{p.x, p.y};
  return true;
}

bool CursorPosition(host::Point* point) {
  POINT p;
  if (!point || !GetCursorPos(&p)) return false;
  *point = host::Point{p.x, p.y};
  return true;
}

// ---- Drawing contexts and objects ----

ContextHandle GetWindowContext(WindowHandle window) {
  return GetDC(ToWindow(window));
}

void ReleaseWindowContext(WindowHandle window, ContextHandle context) {
  if (context) ReleaseDC(ToWindow(window), ToDc(context));
}

ContextHandle CreateDisplayContext() {
  return CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr);
}

ContextHandle CreateMemoryContext(ContextHandle reference) {
  return CreateCompatibleDC(ToDc(reference));
}

void DeleteContext(ContextHandle context) {
  if (context) DeleteDC(ToDc(context));
}

ObjectHandle CreateBitmap(ContextHandle reference, std::int32_t width, std::int32_t height) {
  if (!reference || width <= 0 || height <= 0) return nullptr;
  return CreateCompatibleBitmap(ToDc(reference), width, height);
}

ObjectHandle CreatePen(std::int32_t style, std::int32_t width, ColorRef color) {
  return ::CreatePen(style, width, color);
}

ObjectHandle CreateBrush(ColorRef color) {
  return CreateSolidBrush(color);
}

ObjectHandle StockObject(std::int32_t which) {
  return GetStockObject(which);
}

ObjectHandle CreateTextFont(std::int32_t height, std::int32_t charset, const char* face) {
  wchar_t wideFace[LF_FACESIZE] = {};
  if (face && !win32::SjisToWide(face, wideFace, LF_FACESIZE)) return nullptr;
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<DWORD>(charset),
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, wideFace);
}

ObjectHandle Select(ContextHandle context, ObjectHandle object) {
  if (!context || !object) return nullptr;
  HGDIOBJ previous = SelectObject(ToDc(context), static_cast<HGDIOBJ>(object));
  return previous == HGDI_ERROR ? nullptr : previous;
}

void DeleteObject(ObjectHandle object) {
  if (object) ::DeleteObject(static_cast<HGDIOBJ>(object));
}

// ---- Drawing ----

std::int32_t SetRasterOp(ContextHandle context, std::int32_t rop) {
  return context ? SetROP2(ToDc(context), rop) : 0;
}

ColorRef SetTextColor(ContextHandle context, ColorRef color) {
  return context ? ::SetTextColor(ToDc(context), color) : kInvalidColor;
}

ColorRef SetTextBackground(ContextHandle context, ColorRef color) {
  return context ? SetBkColor(ToDc(context), color) : kInvalidColor;
}

std::int32_t SetBackgroundMode(ContextHandle context, std::int32_t mode) {
  return context ? SetBkMode(ToDc(context), mode) : 0;
}

void MoveTo(ContextHandle context, std::int32_t x, std::int32_t y) {
  if (context) MoveToEx(ToDc(context), x, y, nullptr);
}

void LineTo(ContextHandle context, std::int32_t x, std::int32_t y) {
  if (context) ::LineTo(ToDc(context), x, y);
}

void Polyline(ContextHandle context, const host::Point* points, std::int32_t count) {
  if (!context || !points || count < 2) return;
  // In pieces that share their joining point: the same pixels as one call.
  constexpr std::int32_t kPiece = 64;
  POINT piece[kPiece];
  for (std::int32_t start = 0; start < count - 1; start += kPiece - 1) {
    const std::int32_t n = count - start < kPiece ? count - start : kPiece;
    for (std::int32_t i = 0; i < n; ++i)
      piece[i] = POINT{points[start + i].h, points[start + i].v};
    ::Polyline(ToDc(context), piece, n);
  }
}

void DrawRectangle(ContextHandle context, const host::Rect& rect) {
  if (context) Rectangle(ToDc(context), rect.left, rect.top, rect.right, rect.bottom);
}

void FillRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush) {
  const RECT r = ToRect(rect);
  if (context && brush) ::FillRect(ToDc(context), &r, static_cast<HBRUSH>(brush));
}

void FrameRect(ContextHandle context, const host::Rect& rect, ObjectHandle brush) {
  const RECT r = ToRect(rect);
  if (context && brush) ::FrameRect(ToDc(context), &r, static_cast<HBRUSH>(brush));
}

void DrawTextAt(ContextHandle context, std::int32_t x, std::int32_t y, const char* text,
                std::int32_t length) {
  if (!context) return;
  const WideText wide(text, length);
  if (wide.units() <= 0) return;
  const UINT align = SetTextAlign(ToDc(context), TA_LEFT | TA_TOP | TA_NOUPDATECP);
  TextOutW(ToDc(context), x, y, wide.data(), wide.units());
  if (align != GDI_ERROR) SetTextAlign(ToDc(context), align);
}

std::int32_t TextWidth(ContextHandle context, const char* text, std::int32_t length) {
  if (!context) return 0;
  const WideText wide(text, length);
  SIZE size{0, 0};
  if (wide.units() <= 0 || !GetTextExtentPoint32W(ToDc(context), wide.data(), wide.units(), &size))
    return 0;
  return size.cx;
}

ColorRef GetPixel(ContextHandle context, std::int32_t x, std::int32_t y) {
  return context ? ::GetPixel(ToDc(context), x, y) : kInvalidColor;
}

void SetPixel(ContextHandle context, std::int32_t x, std::int32_t y, ColorRef color) {
  if (context) ::SetPixel(ToDc(context), x, y, color);
}

bool CopyPixels(ContextHandle target, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ContextHandle source, std::int32_t sx, std::int32_t sy) {
  if (!target || !source) return false;
  return BitBlt(ToDc(target), x, y, width, height, ToDc(source), sx, sy, SRCCOPY) != 0;
}

// The area is copied into a bitmap of its own, and that whole bitmap is read in one call
// as 32-bit pixels, top row first. Pixels outside the context's drawing area (its clip
// box) read as kInvalidColor, as GetPixel would report them.
bool ReadPixels(ContextHandle context, std::int32_t x, std::int32_t y, std::int32_t width,
                std::int32_t height, ColorRef* colors) {
  if (!context || !colors || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF)
    return false;
  HDC source = ToDc(context);
  HDC memory = CreateCompatibleDC(source);
  HBITMAP bitmap = memory ? CreateCompatibleBitmap(source, width, height) : nullptr;
  bool ok = false;
  if (bitmap) {
    HGDIOBJ previous = SelectObject(memory, bitmap);
    ok = previous && previous != HGDI_ERROR &&
         BitBlt(memory, 0, 0, width, height, source, x, y, SRCCOPY);
    if (previous && previous != HGDI_ERROR) SelectObject(memory, previous);
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ok = ok && GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), colors, &info,
                         DIB_RGB_COLORS) == height;
  }
  if (bitmap) ::DeleteObject(bitmap);
  if (memory) DeleteDC(memory);
  if (!ok) return false;

  RECT clip{0, 0, 0, 0};
  const bool clipped = GetClipBox(source, &clip) != ERROR;
  for (std::int32_t row = 0; row < height; ++row) {
    for (std::int32_t column = 0; column < width; ++column) {
      ColorRef& c = colors[static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                           static_cast<std::size_t>(column)];
      const std::int32_t px = x + column, py = y + row;
      if (!clipped || px < clip.left || px >= clip.right || py < clip.top || py >= clip.bottom) {
        c = kInvalidColor;
        continue;
      }
      // Blue, green, red, unused in memory: 0x00RRGGBB as a number; 0x00BBGGRR wanted.
      c = (c & 0x0000FF00u) | ((c >> 16) & 0xFFu) | ((c & 0xFFu) << 16);
    }
  }
  return true;
}

}  // namespace velm::gui
