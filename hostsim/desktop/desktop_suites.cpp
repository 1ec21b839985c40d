// The desktop and context suites: the virtual desktop as the plug-in's windows and drawing.
#include <cstdint>

#include "hostsim/core/document_suites.h"
#include "hostsim/core/module_loader.h"
#include "hostsim/core/suite_impl.h"
#include "hostsim/desktop/desktop.h"
#include "hostsim/drawing/renderer.h"
#include "platform/desktop_suite.h"

namespace hostsim {

// ---- VELM Desktop Suite ----

namespace {

using namespace impl;

Desktop& D() {
  return H().desktop();
}

bool Fails(const char* op) {
  return Check<host::DesktopSuite>(op) != host::kNoErr;
}

DeviceContext* DcOf(host::PortRef ref) {
  return D().ContextFrom(ref);
}

host::WindowRef VELM_HOSTCALL GetTopChild(host::WindowRef parent) {
  if (Fails("GetTopChild")) return nullptr;
  Window* w = D().WindowFrom(parent);
  return w && !w->children.empty() ? w->children.front() : nullptr;
}

host::Boolean VELM_HOSTCALL GetClientRect(host::WindowRef window, host::Rect* rect) {
  if (Fails("GetClientRect")) return 0;
  Window* w = D().WindowFrom(window);
  if (!w || !rect) return 0;
  *rect = {0, 0, w->client.right - w->client.left, w->client.bottom - w->client.top};
  return 1;
}

host::Boolean VELM_HOSTCALL ScreenToClient(host::WindowRef window, host::Point* point) {
  if (Fails("ScreenToClient")) return 0;
  Window* w = D().WindowFrom(window);
  if (!w || !point) return 0;
  point->h -= w->client.left;
  point->v -= w->client.top;
  return 1;
}

host::Boolean VELM_HOSTCALL ClientToScreen(host::WindowRef window, host::Point* point) {
  if (Fails("ClientToScreen")) return 0;
  Window* w = D().WindowFrom(window);
  if (!w || !point) return 0;
  point->h += w->client.left;
  point->v += w->client.top;
  return 1;
}

host::Boolean VELM_HOSTCALL GetCursorPos(host::Point* point) {
  if (Fails("GetCursorPos") || !point) return 0;
  *point = D().cursor();
  return 1;
}

host::PortRef VELM_HOSTCALL GetDC(host::WindowRef window) {
  if (Fails("GetDC")) return nullptr;
  Window* w = D().WindowFrom(window);
  if (window && !w) return nullptr;
  return D().WindowContext(w);
}

host::Boolean VELM_HOSTCALL ReleaseDC(host::WindowRef window, host::PortRef ref) {
  if (Fails("ReleaseDC")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc ||
      (dc->kind != DeviceContext::Kind::kWindow && dc->kind != DeviceContext::Kind::kDisplay) ||
      dc->window != D().WindowFrom(window))
    return 0;
  D().DeleteContext(dc);
  return 1;
}

host::PortRef VELM_HOSTCALL CreateDisplayDC() {
  if (Fails("CreateDisplayDC")) return nullptr;
  return D().DisplayContext();
}

host::PortRef VELM_HOSTCALL CreateCompatibleDC(host::PortRef reference) {
  if (Fails("CreateCompatibleDC")) return nullptr;
  if (reference && !DcOf(reference)) return nullptr;
  return D().MemoryContext();
}

host::Boolean VELM_HOSTCALL DeleteDC(host::PortRef ref) {
  if (Fails("DeleteDC")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || dc->kind == DeviceContext::Kind::kWindow) return 0;
  D().DeleteContext(dc);
  return 1;
}

host::GdiRef VELM_HOSTCALL CreateCompatibleBitmap(host::PortRef reference, std::int32_t width,
                                                  std::int32_t height) {
  if (Fails("CreateCompatibleBitmap")) return nullptr;
  if (!DcOf(reference)) return nullptr;
  return D().NewBitmap(width, height);
}

host::GdiRef VELM_HOSTCALL CreatePen(std::int32_t style, std::int32_t width, std::uint32_t color) {
  if (Fails("CreatePen")) return nullptr;
  if (style != host::kPenSolid && style != host::kPenNull) return nullptr;
  return D().NewPen(style, width, SwapRedBlue(color));
}

host::GdiRef VELM_HOSTCALL CreateSolidBrush(std::uint32_t color) {
  if (Fails("CreateSolidBrush")) return nullptr;
  return D().NewBrush(SwapRedBlue(color));
}

host::GdiRef VELM_HOSTCALL GetStockObject(std::int32_t which) {
  if (Fails("GetStockObject")) return nullptr;
  return D().Stock(which);
}

host::GdiRef VELM_HOSTCALL CreateFont(std::int32_t height, std::int32_t charset, const char* face) {
  if (Fails("CreateFont")) return nullptr;
  return D().NewFont(height, charset, face ? face : "");
}

host::GdiRef VELM_HOSTCALL SelectObject(host::PortRef ref, host::GdiRef object) {
  if (Fails("SelectObject")) return nullptr;
  DeviceContext* dc = DcOf(ref);
  GdiObject* o = D().ObjectFrom(object);
  if (!dc || !o) return nullptr;
  return D().Select(dc, o);
}

host::Boolean VELM_HOSTCALL DeleteObject(host::GdiRef object) {
  if (Fails("DeleteObject")) return 0;
  GdiObject* o = D().ObjectFrom(object);
  return o && D().DeleteObject(o);
}

std::int32_t VELM_HOSTCALL SetROP2(host::PortRef ref, std::int32_t rop) {
  if (Fails("SetROP2")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || rop < 1 || rop > 16) return 0;
  const std::int32_t previous = dc->rop;
  dc->rop = rop;
  return previous;
}

std::uint32_t VELM_HOSTCALL SetTextColor(host::PortRef ref, std::uint32_t color) {
  if (Fails("SetTextColor")) return host::kInvalidColor;
  DeviceContext* dc = DcOf(ref);
  if (!dc) return host::kInvalidColor;
  const std::uint32_t previous = SwapRedBlue(dc->textColor);
  dc->textColor = SwapRedBlue(color);
  return previous;
}

std::uint32_t VELM_HOSTCALL SetBkColor(host::PortRef ref, std::uint32_t color) {
  if (Fails("SetBkColor")) return host::kInvalidColor;
  DeviceContext* dc = DcOf(ref);
  if (!dc) return host::kInvalidColor;
  const std::uint32_t previous = SwapRedBlue(dc->backgroundColor);
  dc->backgroundColor = SwapRedBlue(color);
  return previous;
}

std::int32_t VELM_HOSTCALL SetBkMode(host::PortRef ref, std::int32_t mode) {
  if (Fails("SetBkMode")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || (mode != host::kBkOpaque && mode != host::kBkTransparent)) return 0;
  const std::int32_t previous = dc->backgroundMode;
  dc->backgroundMode = mode;
  return previous;
}

host::Boolean VELM_HOSTCALL MoveTo(host::PortRef ref, std::int32_t x, std::int32_t y) {
  if (Fails("MoveTo")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc) return 0;
  dc->penPosition = {x, y};
  return 1;
}

host::Boolean VELM_HOSTCALL LineTo(host::PortRef ref, std::int32_t x, std::int32_t y) {
  if (Fails("LineTo")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc) return 0;
  D().Line(dc, dc->penPosition, {x, y});
  dc->penPosition = {x, y};
  return 1;
}

host::Boolean VELM_HOSTCALL Polyline(host::PortRef ref, const host::Point* points,
                                     std::int32_t count) {
  if (Fails("Polyline")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || !points || count < 2 || count > 100000) return 0;
  D().Polyline(dc, points, count);
  return 1;
}

host::Boolean VELM_HOSTCALL Rectangle(host::PortRef ref, std::int32_t left, std::int32_t top,
                                      std::int32_t right, std::int32_t bottom) {
  if (Fails("Rectangle")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc) return 0;
  D().Rectangle(dc, {left, top, right, bottom});
  return 1;
}

host::Boolean VELM_HOSTCALL FillRect(host::PortRef ref, const host::Rect* rect,
                                     host::GdiRef brush) {
  if (Fails("FillRect")) return 0;
  DeviceContext* dc = DcOf(ref);
  GdiObject* b = D().ObjectFrom(brush);
  if (!dc || !rect || !b || b->kind != ObjectKind::kBrush) return 0;
  D().FillRect(dc, *rect, b);
  return 1;
}

host::Boolean VELM_HOSTCALL FrameRect(host::PortRef ref, const host::Rect* rect,
                                      host::GdiRef brush) {
  if (Fails("FrameRect")) return 0;
  DeviceContext* dc = DcOf(ref);
  GdiObject* b = D().ObjectFrom(brush);
  if (!dc || !rect || !b || b->kind != ObjectKind::kBrush) return 0;
  D().FrameRect(dc, *rect, b);
  return 1;
}

host::Boolean VELM_HOSTCALL TextOut(host::PortRef ref, std::int32_t x, std::int32_t y,
                                    const char* text, std::int32_t length) {
  if (Fails("TextOut")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || length < 0 || (length > 0 && !text)) return 0;
  D().Text(dc, x, y, std::string(text ? text : "", static_cast<std::size_t>(length)));
  return 1;
}

std::int32_t VELM_HOSTCALL GetTextWidth(host::PortRef ref, const char* text, std::int32_t length) {
  if (Fails("GetTextWidth")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || length < 0 || (length > 0 && !text)) return 0;
  return D().TextWidth(dc, std::string(text ? text : "", static_cast<std::size_t>(length)));
}

std::uint32_t VELM_HOSTCALL GetPixel(host::PortRef ref, std::int32_t x, std::int32_t y) {
  if (Fails("GetPixel")) return host::kInvalidColor;
  DeviceContext* dc = DcOf(ref);
  std::uint32_t rgb = 0;
  if (!dc || !D().GetPixel(dc, x, y, &rgb)) return host::kInvalidColor;
  return SwapRedBlue(rgb);
}

std::uint32_t VELM_HOSTCALL SetPixel(host::PortRef ref, std::int32_t x, std::int32_t y,
                                     std::uint32_t color) {
  if (Fails("SetPixel")) return host::kInvalidColor;
  DeviceContext* dc = DcOf(ref);
  if (!dc || !D().SetPixel(dc, x, y, SwapRedBlue(color))) return host::kInvalidColor;
  return color & 0xFFFFFF;
}

host::Boolean VELM_HOSTCALL BitBlt(host::PortRef dst, std::int32_t x, std::int32_t y,
                                   std::int32_t width, std::int32_t height, host::PortRef src,
                                   std::int32_t sx, std::int32_t sy) {
  if (Fails("BitBlt")) return 0;
  DeviceContext* d = DcOf(dst);
  DeviceContext* s = DcOf(src);
  return d && s && D().Copy(d, x, y, width, height, s, sx, sy);
}

host::Boolean VELM_HOSTCALL ReadPixels(host::PortRef ref, std::int32_t x, std::int32_t y,
                                       std::int32_t width, std::int32_t height,
                                       std::uint32_t* colors) {
  if (Fails("ReadPixels")) return 0;
  DeviceContext* dc = DcOf(ref);
  if (!dc || !colors || width < 0 || height < 0 || width > 16384 || height > 16384) return 0;
  for (std::int32_t j = 0; j < height; ++j)
    for (std::int32_t i = 0; i < width; ++i) {
      std::uint32_t rgb = 0;
      colors[static_cast<std::size_t>(j) * width + i] =
          D().GetPixel(dc, x + i, y + j, &rgb) ? SwapRedBlue(rgb) : host::kInvalidColor;
    }
  return 1;
}

// ---- AI Context Suite ----

// The windows of the module's own window system standing for `w` and its children, the
// topmost child made last (on top); the one for `w`.
void* MirrorWindows(const ForeignPorts& foreign, Window* w, void* parent) {
  void* mirror =
      foreign.window(w, parent, w->client.left, w->client.top, w->client.right, w->client.bottom);
  if (!mirror) return nullptr;
  for (auto child = w->children.rbegin(); child != w->children.rend(); ++child)
    MirrorWindows(foreign, *child, mirror);
  return mirror;
}

host::Err VELM_HOSTCALL GetPlatformAppWindow(host::WindowRef* window) {
  if (host::Err e = Check<host::ContextSuite>("GetPlatformAppWindow")) return e;
  if (!window) return host::kBadParameterErr;
  *window = D().appWindow();
  // A module that draws through a window system of its own gets that system's windows.
  if (const ForeignPorts* foreign = ModuleForeignPorts(); foreign && D().appWindow())
    *window = MirrorWindows(*foreign, D().appWindow(), nullptr);
  return host::kNoErr;
}

host::Err VELM_HOSTCALL PushAppContext(host::PluginRef plugin, host::ContextHandle* context) {
  if (host::Err e = Check<host::ContextSuite>("PushAppContext")) return e;
  if (!plugin || !context) return host::kBadParameterErr;
  D().PushContext();
  *context = reinterpret_cast<host::ContextHandle>(static_cast<std::intptr_t>(D().contextDepth()));
  return host::kNoErr;
}

host::Err VELM_HOSTCALL PopAppContext(host::ContextHandle context) {
  if (host::Err e = Check<host::ContextSuite>("PopAppContext")) return e;
  // Contexts are popped in the reverse order of their pushes.
  if (reinterpret_cast<std::intptr_t>(context) != D().contextDepth() || !D().PopContext())
    return host::kBadParameterErr;
  return host::kNoErr;
}

// ---- AI Draw Art Suite ----

host::Err VELM_HOSTCALL DrawArt(host::DrawArtData* data) {
  if (host::Err e = Check<host::DrawArtSuite>("DrawArt")) return e;
  if (!data || data->version != host::kDrawArtVersion || data->output != host::kDrawArtToPort)
    return host::kBadParameterErr;
  Art* art = ArtOf(data->art);
  DeviceContext* port = D().ContextFrom(data->port);
  if (!art || !port) return host::kBadParameterErr;
  DrawArtToPort(*Doc(), art, port->target, port->origin, port->clip, *data);
  return host::kNoErr;
}

}  // namespace

void InstallDrawArtSuite(host::DrawArtSuite& suite) {
  suite.DrawArt = DrawArt;
}

void InstallDesktopSuites(host::DesktopSuite& desktop, host::ContextSuite& context) {
  desktop.GetTopChild = GetTopChild;
  desktop.GetClientRect = GetClientRect;
  desktop.ScreenToClient = ScreenToClient;
  desktop.ClientToScreen = ClientToScreen;
  desktop.GetCursorPos = GetCursorPos;
  desktop.GetDC = GetDC;
  desktop.ReleaseDC = ReleaseDC;
  desktop.CreateDisplayDC = CreateDisplayDC;
  desktop.CreateCompatibleDC = CreateCompatibleDC;
  desktop.DeleteDC = DeleteDC;
  desktop.CreateCompatibleBitmap = CreateCompatibleBitmap;
  desktop.CreatePen = CreatePen;
  desktop.CreateSolidBrush = CreateSolidBrush;
  desktop.GetStockObject = GetStockObject;
  desktop.CreateFont = CreateFont;
  desktop.SelectObject = SelectObject;
  desktop.DeleteObject = DeleteObject;
  desktop.SetROP2 = SetROP2;
  desktop.SetTextColor = SetTextColor;
  desktop.SetBkColor = SetBkColor;
  desktop.SetBkMode = SetBkMode;
  desktop.MoveTo = MoveTo;
  desktop.LineTo = LineTo;
  desktop.Polyline = Polyline;
  desktop.Rectangle = Rectangle;
  desktop.FillRect = FillRect;
  desktop.FrameRect = FrameRect;
  desktop.TextOut = TextOut;
  desktop.GetTextWidth = GetTextWidth;
  desktop.GetPixel = GetPixel;
  desktop.SetPixel = SetPixel;
  desktop.BitBlt = BitBlt;
  desktop.ReadPixels = ReadPixels;

  context.GetPlatformAppWindow = GetPlatformAppWindow;
  context.PushAppContext = PushAppContext;
  context.PopAppContext = PopAppContext;
}

}  // namespace hostsim
