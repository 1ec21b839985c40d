// The stand-in host's virtual desktop: a screen framebuffer with the application window
// and its document window, drawing contexts on windows, the display and memory bitmaps,
// pens, brushes and fonts, and the cursor position. It backs the plug-in's window system
// off Windows ("VELM Desktop Suite") and the ports the art renderer draws into.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "host/suite_list.h"
#include "host/types.h"
#include "hostsim/drawing/bitmap.h"
#include "platform/desktop_suite.h"

namespace hostsim {

class Document;
struct Drawer;
struct AdmImage;

struct Window {
  std::string name;
  Window* parent = nullptr;
  // Topmost first.
  std::vector<Window*> children;
  // The client area in screen pixels.
  host::Rect client{};
  std::uint32_t background = 0xFFFFFF;
};

enum class ObjectKind { kPen, kBrush, kFont, kBitmap };

// A pen, brush, font or bitmap.
struct GdiObject {
  ObjectKind kind = ObjectKind::kPen;
  bool stock = false;
  // Pens and brushes: 0x00RRGGBB; null pens and brushes draw nothing.
  std::uint32_t color = 0;
  bool null = false;
  std::int32_t width = 1;
  // Fonts.
  std::int32_t height = 12;
  std::int32_t charset = 0;
  std::string face;
  // Bitmaps.
  std::unique_ptr<Bitmap> bitmap;
  // The context that holds the object selected, if any.
  struct DeviceContext* selectedIn = nullptr;
};

struct DeviceContext {
  enum class Kind { kWindow, kDisplay, kMemory, kPort } kind = Kind::kDisplay;
  Window* window = nullptr;
  // What it draws into: the screen, or the bitmap selected into a memory context.
  Bitmap* target = nullptr;
  // Where the context's (0, 0) lies in the target, and the part it may draw on (target
  // coordinates, right and bottom excluded).
  host::Point origin{0, 0};
  host::Rect clip{0, 0, 0, 0};
  GdiObject* pen = nullptr;
  GdiObject* brush = nullptr;
  GdiObject* font = nullptr;
  GdiObject* bitmap = nullptr;
  std::int32_t rop = 13;
  std::uint32_t textColor = 0;  // 0x00RRGGBB
  std::uint32_t backgroundColor = 0xFFFFFF;
  std::int32_t backgroundMode = 2;  // opaque
  host::Point penPosition{0, 0};
};

class Desktop {
 public:
  static constexpr int kScreenWidth = 1280;
  static constexpr int kScreenHeight = 800;

  Desktop();
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  Bitmap& screen() { return *screen_; }
  Window* appWindow() { return app_; }
  // The window the document is drawn in: the application window's topmost child's
  // topmost child's topmost child.
  Window* documentWindow() { return document_; }
  // Adds a window on top of `parent`'s children (null parent: a top-level window).
  Window* AddWindow(Window* parent, const std::string& name, const host::Rect& client);
  Window* WindowFrom(host::WindowRef ref) const;
  // Paints every window's background, then the document through its first view into the
  // document window. The document's picture is kept and drawn again only when the
  // document (its revision), the view or the window changed; with VELM_CHECK_PAGE set in
  // the environment every kept picture is compared with a fresh one, and a difference
  // ends the process.
  void Repaint(Document* document);
  // How often the document's picture was drawn afresh, and taken as kept.
  std::uint64_t pagesDrawn() const { return pagesDrawn_; }
  std::uint64_t pagesKept() const { return pagesKept_; }

  host::Point cursor() const { return cursor_; }
  // Moves the cursor (and a module's own window system's with it).
  void SetCursorPosition(host::Point p);

  // ---- Contexts ----
  DeviceContext* WindowContext(Window* window);  // null: the whole screen
  DeviceContext* DisplayContext();
  DeviceContext* MemoryContext();
  // A context drawing into `bitmap` (which the caller keeps) at `origin`, clipped to
  // `clip` (bitmap coordinates); used for ports of offscreen images.
  DeviceContext* BitmapContext(Bitmap* bitmap, host::Point origin, host::Rect clip);
  DeviceContext* ContextFrom(host::PortRef ref) const;
  void DeleteContext(DeviceContext* dc);
  std::size_t liveContexts() const { return contexts_.size(); }

  // ---- Objects ----
  GdiObject* NewPen(std::int32_t style, std::int32_t width, std::uint32_t rgb);
  GdiObject* NewBrush(std::uint32_t rgb, bool null = false);
  GdiObject* NewFont(std::int32_t height, std::int32_t charset, const std::string& face);
  GdiObject* NewBitmap(int width, int height);
  GdiObject* Stock(std::int32_t which);
  GdiObject* ObjectFrom(void* ref) const;
  GdiObject* Select(DeviceContext* dc, GdiObject* object);
  bool DeleteObject(GdiObject* object);
  std::size_t liveObjects() const { return objects_.size(); }

  // ---- Drawing (context coordinates) ----
  void Line(DeviceContext* dc, host::Point from, host::Point to);
  void Polyline(DeviceContext* dc, const host::Point* points, int count);
  void Rectangle(DeviceContext* dc, const host::Rect& rect);
  void FillRect(DeviceContext* dc, const host::Rect& rect, const GdiObject* brush);
  void FrameRect(DeviceContext* dc, const host::Rect& rect, const GdiObject* brush);
  void Text(DeviceContext* dc, int x, int y, const std::string& sjis);
  int TextWidth(DeviceContext* dc, const std::string& sjis);
  // 0x00RRGGBB, or false outside the context.
  bool GetPixel(DeviceContext* dc, int x, int y, std::uint32_t* rgb) const;
  bool SetPixel(DeviceContext* dc, int x, int y, std::uint32_t rgb);
  bool Copy(DeviceContext* dst, int x, int y, int w, int h, DeviceContext* src, int sx, int sy);
  // `image` drawn with its top left at (x, y): the pixels that fall inside the context.
  void DrawBitmap(DeviceContext* dc, int x, int y, const Bitmap& image);
  // The w × h pixels from (x, y), rows top first, through `convert`; `outside` where a
  // pixel lies outside the context.
  void ReadBlock(DeviceContext* dc, int x, int y, int w, int h, std::uint32_t* out,
                 std::uint32_t (*convert)(std::uint32_t), std::uint32_t outside) const;

  // The dialog manager's drawers and offscreen images (adm_drawing.h) live here.
  std::vector<std::unique_ptr<Drawer>>& drawers() { return drawers_; }
  std::vector<std::unique_ptr<AdmImage>>& images() { return images_; }

  // ---- The application context (AI Context Suite) ----
  std::int32_t contextDepth() const { return contextDepth_; }
  void PushContext() { ++contextDepth_; }
  bool PopContext();

 private:
  // Applies the pen's raster operation to a set of pixels (each once).
  void PenPixels(DeviceContext* dc, const std::set<std::pair<int, int>>& pixels);
  bool Visible(const DeviceContext* dc, int tx, int ty) const;
  // The context's clip within its target, in the target's pixels: where drawing shows.
  static host::Rect VisibleArea(const DeviceContext* dc);

  // The document window's picture (its background and the art) and what it shows.
  struct Page {
    const Document* document = nullptr;
    std::uint64_t revision = 0;
    float zoom = 0;
    float h = 0, v = 0;
    host::Rect client{0, 0, 0, 0};
    std::uint32_t background = 0;
    std::unique_ptr<Bitmap> picture;
  };
  void DrawPage(Document& document);

  std::unique_ptr<Bitmap> screen_;
  Page page_;
  std::uint64_t pagesDrawn_ = 0;
  std::uint64_t pagesKept_ = 0;
  std::deque<Window> windows_;
  Window* app_ = nullptr;
  Window* document_ = nullptr;
  std::vector<std::unique_ptr<DeviceContext>> contexts_;
  std::vector<std::unique_ptr<GdiObject>> objects_;
  std::vector<std::unique_ptr<GdiObject>> stock_;
  host::Point cursor_{0, 0};
  std::int32_t contextDepth_ = 0;
  std::vector<std::unique_ptr<Drawer>> drawers_;
  std::vector<std::unique_ptr<AdmImage>> images_;
};

// Colours between the desktop suite's 0x00BBGGRR and the framebuffer's 0x00RRGGBB.
inline std::uint32_t SwapRedBlue(std::uint32_t c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// desktop_suites.cpp: the virtual desktop ("VELM Desktop Suite"), the application context
// and "AI Draw Art Suite" (art drawn into a port of the desktop).
void InstallDesktopSuites(host::DesktopSuite& desktop, host::ContextSuite& context);
void InstallDrawArtSuite(host::DrawArtSuite& suite);

}  // namespace hostsim
