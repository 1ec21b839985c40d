#include "gui_window.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "frame_stats.h"
#include "gui_controller.h"
#include "gui_settings.h"
#include "hostsim/core/file_output.h"
#include "hostsim/document_files.h"
#include "hostsim/scene/scene.h"
#include "plugin_session.h"

#ifdef VELM_HAVE_SDL2
#include <SDL.h>
#endif

namespace velmgui {

#ifndef VELM_HAVE_SDL2

int RunGui(const GuiOptions&) {
  std::fprintf(stderr, "velm-host gui: this velm-host was built without SDL2 (libsdl2-dev)\n");
  return 2;
}

#else

namespace {

constexpr int kWidth = hostsim::Desktop::kScreenWidth;
constexpr int kHeight = hostsim::Desktop::kScreenHeight;
// At most this many host ticks are let pass at once: after a stall (a modal dialog, a slow
// redraw) the timer does not run a burst of catch-up ticks.
constexpr std::int64_t kMaxTicksAtOnce = 30;

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point t) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Of two kinds of input handled in one frame, the one the frame is counted for.
Interaction Weightier(Interaction a, Interaction b) {
  auto rank = [](Interaction k) {
    switch (k) {
      case Interaction::kDrop:
        return 7;
      case Interaction::kZoom:
        return 6;
      case Interaction::kScroll:
        return 5;
      case Interaction::kPaletteScroll:
        return 4;
      case Interaction::kDragMove:
        return 3;
      case Interaction::kPress:
        return 2;
      case Interaction::kHover:
        return 1;
      default:
        return 0;
    }
  };
  return rank(b) > rank(a) ? b : a;
}

class Window {
 public:
  Window(Controller& controller, const GuiOptions& options, FrameStats& stats,
         Clock::time_point started)
      : c_(controller),
        options_(options),
        zoom_(options.zoom < 1 ? 1 : options.zoom),
        stats_(stats),
        started_(started) {}
  ~Window() {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
  }
  bool Open(std::string* error);
  // Runs until the window is closed, or another library folder is chosen (library()).
  void Run();
  std::string library() const { return library_; }
  bool closed() const { return quit_; }
  // The nested event loop of a modal dialog: until the dialog ends.
  void RunModal(hostsim::Dialog& d);

 private:
  Input InputAt(int x, int y, std::uint32_t time) const;
  // What an event asks of the window, looked at before it is handled.
  Interaction KindOf(const SDL_Event& e) const;
  bool Ctrl() const { return (SDL_GetModState() & KMOD_CTRL) != 0; }
  void HandleDesktopEvent(const SDL_Event& e);
  void Present(bool force);
  void Screenshot();
  void ShowStatus();
  void HandleQuestionKey(SDL_Keycode key, bool shift);

  Controller& c_;
  const GuiOptions& options_;
  int zoom_;
  FrameStats& stats_;
  Clock::time_point started_;
  bool firstFrame_ = true;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::vector<std::uint32_t> shown_;
  std::uint64_t shownGeneration_ = ~std::uint64_t{0};
  bool quit_ = false;
  // The window was closed during a modal dialog: asked about once the dialog has ended.
  bool closeRequested_ = false;
  std::string title_;
  std::string library_;
};

bool Window::Open(std::string* error) {
  title_ = c_.Title();
  window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             kWidth * zoom_, kHeight * zoom_, 0);
  if (window_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_)
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING,
                                 kWidth, kHeight);
  if (!texture_) {
    *error = SDL_GetError();
    return false;
  }
  SDL_StartTextInput();
  return true;
}

Input Window::InputAt(int x, int y, std::uint32_t time) const {
  const SDL_Keymod mod = SDL_GetModState();
  Input in;
  in.p = {x / zoom_, y / zoom_};
  in.shift = (mod & KMOD_SHIFT) != 0;
  in.ctrl = (mod & KMOD_CTRL) != 0;
  in.alt = (mod & KMOD_ALT) != 0;
  in.time = time;
  return in;
}

Interaction Window::KindOf(const SDL_Event& e) const {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      return (e.motion.state & SDL_BUTTON_LMASK) ? Interaction::kDragMove : Interaction::kHover;
    case SDL_MOUSEBUTTONUP:
      return c_.tracking() ? Interaction::kDrop : Interaction::kPress;
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      hostsim::Host& host = const_cast<Controller&>(c_).host();
      const host::Rect& r = host.desktop().documentWindow()->client;
      const int h = x / zoom_, v = y / zoom_;
      if (host.dialogs().FloatingAt({h, v}) || h < r.left || h >= r.right || v < r.top ||
          v >= r.bottom)
        return Interaction::kPaletteScroll;
      return Ctrl() ? Interaction::kZoom : Interaction::kScroll;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_KEYDOWN:
    case SDL_TEXTINPUT:
      return Interaction::kPress;
    default:
      return Interaction::kIdleTick;
  }
}

// Uploads the screen when it differs from what the window shows. Nothing is compared while
// the screen has not been drawn on since the last look.
void Window::Present(bool force) {
  const hostsim::Bitmap& screen = c_.screen();
  if (!force && screen.generation() == shownGeneration_) return;
  cairo_surface_flush(c_.screen().surface());
  shownGeneration_ = screen.generation();
  const std::size_t rowBytes = static_cast<std::size_t>(kWidth) * 4;
  shown_.resize(static_cast<std::size_t>(kWidth) * kHeight);
  bool changed = force;
  for (int y = 0; y < kHeight; ++y) {
    std::uint32_t* row = shown_.data() + static_cast<std::size_t>(y) * kWidth;
    const std::uint32_t* src = screen.Row(y);
    if (std::memcmp(row, src, rowBytes) != 0) {
      std::memcpy(row, src, rowBytes);
      changed = true;
    }
  }
  if (!changed) return;
  SDL_UpdateTexture(texture_, nullptr, shown_.data(), static_cast<int>(rowBytes));
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

void Window::Screenshot() {
  if (options_.screenshot.empty()) return;
  if (c_.screen().WritePng(options_.screenshot))
    std::printf("velm-host gui: screen saved as %s\n", options_.screenshot.c_str());
  else
    std::fprintf(stderr, "velm-host gui: cannot write %s\n", options_.screenshot.c_str());
  std::fflush(stdout);
}

void Window::ShowStatus() {
  const std::string status = c_.TakeStatus();
  if (status.empty()) return;
  std::printf("velm-host gui: %s\n", status.c_str());
  std::fflush(stdout);
}

void Window::HandleQuestionKey(SDL_Keycode key, bool shift) {
  static const struct {
    SDL_Keycode sym;
    Key key;
  } kQuestionKeys[] = {{SDLK_RETURN, Key::kReturn}, {SDLK_KP_ENTER, Key::kReturn},
                       {SDLK_ESCAPE, Key::kEscape}, {SDLK_TAB, Key::kTab},
                       {SDLK_LEFT, Key::kLeft},     {SDLK_RIGHT, Key::kRight},
                       {SDLK_UP, Key::kUp},         {SDLK_DOWN, Key::kDown}};
  for (const auto& m : kQuestionKeys)
    if (m.sym == key) c_.QuestionKey(m.key, shift);
}

void Window::HandleDesktopEvent(const SDL_Event& e) {
  switch (e.type) {
    case SDL_QUIT:
      c_.RequestQuit();  // asks first when the document has changes
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_EXPOSED) Present(true);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.button == SDL_BUTTON_LEFT) {
        Input in = InputAt(e.button.x, e.button.y, e.button.timestamp);
        in.clicks = e.button.clicks;
        c_.MouseDown(in);
      }
      break;
    case SDL_MOUSEBUTTONUP:
      if (e.button.button == SDL_BUTTON_LEFT)
        c_.MouseUp(InputAt(e.button.x, e.button.y, e.button.timestamp));
      break;
    case SDL_MOUSEMOTION:
      c_.MouseMove(InputAt(e.motion.x, e.motion.y, e.motion.timestamp),
                   (e.motion.state & SDL_BUTTON_LMASK) != 0);
      break;
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      SDL_GetMouseState(&x, &y);
      c_.Wheel(InputAt(x, y, e.wheel.timestamp),
               e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
      break;
    }
    case SDL_TEXTINPUT:
      if (c_.choosing() && !c_.asking()) c_.ChooserText(e.text.text);
      break;
    case SDL_DROPFILE:
      if (e.drop.file) {
        c_.DropFile(e.drop.file);
        SDL_free(e.drop.file);
      }
      break;
    case SDL_KEYDOWN: {
      const SDL_Keycode k = e.key.keysym.sym;
      const bool shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
      if (k == SDLK_F12) {  // also over a question or the chooser
        c_.Refresh();
        Screenshot();
        break;
      }
      if (c_.asking()) {
        HandleQuestionKey(k, shift);
        break;
      }
      if (c_.choosing()) {
        static const struct {
          SDL_Keycode sym;
          Key key;
        } kChooserKeys[] = {{SDLK_RETURN, Key::kReturn}, {SDLK_KP_ENTER, Key::kReturn},
                            {SDLK_ESCAPE, Key::kEscape}, {SDLK_BACKSPACE, Key::kBackspace},
                            {SDLK_DELETE, Key::kDelete}, {SDLK_TAB, Key::kTab},
                            {SDLK_UP, Key::kUp},         {SDLK_DOWN, Key::kDown},
                            {SDLK_LEFT, Key::kLeft},     {SDLK_RIGHT, Key::kRight},
                            {SDLK_HOME, Key::kHome},     {SDLK_END, Key::kEnd}};
        for (const auto& m : kChooserKeys)
          if (m.sym == k) c_.ChooserKey(m.key);
        break;
      }
      Key undo = Key::kUndo;
      if (Ctrl() && k >= 'a' && k <= 'z' && UndoRedoKey(static_cast<char>(k), shift, &undo)) {
        c_.KeyPress(undo);
      } else if (Ctrl() && k == SDLK_s) {
        c_.RunCommand(shift ? Command::kSaveAs : Command::kSave);
      } else if (Ctrl() && k == SDLK_o) {
        c_.RunCommand(Command::kOpen);
      } else if (Ctrl() && k == SDLK_l) {
        c_.RunCommand(Command::kLibrary);
      } else if (Ctrl() && k == SDLK_r) {
        c_.RunCommand(Command::kRestore);
      } else if (Ctrl() && k == SDLK_q) {
        c_.RequestQuit();
      } else if (k == SDLK_ESCAPE) {
        c_.KeyPress(Key::kEscape);
      } else {
        static const struct {
          SDL_Keycode sym;
          Key key;
        } kPageKeys[] = {{SDLK_RETURN, Key::kReturn}, {SDLK_KP_ENTER, Key::kReturn},
                         {SDLK_DELETE, Key::kDelete}, {SDLK_LEFT, Key::kLeft},
                         {SDLK_RIGHT, Key::kRight},   {SDLK_UP, Key::kUp},
                         {SDLK_DOWN, Key::kDown}};
        for (const auto& m : kPageKeys)
          if (m.sym == k && !Ctrl()) c_.KeyPress(m.key, shift);
      }
      break;
    }
    default:
      break;
  }
}

void Window::Run() {
  std::uint64_t start = SDL_GetTicks64();
  std::int64_t ticksDone = 0;
  Present(true);
  if (std::exchange(firstFrame_, false))
    stats_.Add(Interaction::kStartUp, MillisecondsSince(started_));
  while (!quit_) {
    SDL_Event e;
    bool input = false;
    Interaction kind = Interaction::kIdleTick;
    const bool any = SDL_WaitEventTimeout(&e, 8);
    const Clock::time_point frame = Clock::now();
    if (any) {
      do {
        const Interaction k = KindOf(e);
        input = input || k != Interaction::kIdleTick;
        kind = Weightier(kind, k);
        HandleDesktopEvent(e);
      } while (!quit_ && SDL_PollEvent(&e));
    }
    if (std::exchange(closeRequested_, false)) c_.RequestQuit();
    if (c_.TakeQuit()) quit_ = true;
    if (library_ = c_.TakeLibraryRequest(); !library_.empty()) return;
    // The host's clock follows real time: 60 ticks a second.
    const auto due = static_cast<std::int64_t>((SDL_GetTicks64() - start) * 60 / 1000);
    const bool ticked = due > ticksDone;
    c_.Refresh();
    c_.Advance(std::min(due - ticksDone, kMaxTicksAtOnce));
    ticksDone = due;
    c_.Refresh();
    ShowStatus();
    if (const std::string title = c_.Title(); title != title_) {
      title_ = title;
      SDL_SetWindowTitle(window_, title_.c_str());
    }
    Present(false);
    if (input || ticked) stats_.Add(kind, MillisecondsSince(frame));
  }
}

void Window::RunModal(hostsim::Dialog& d) {
  c_.BeginModal(d);
  c_.PaintModal(d);
  Present(false);
  while (!d.ended()) {
    SDL_Event e;
    if (!SDL_WaitEventTimeout(&e, 50)) continue;
    switch (e.type) {
      case SDL_QUIT:
        // Closing the window cancels the dialog, then asks about the document's changes.
        closeRequested_ = true;
        d.PressEscape();
        if (!d.ended()) d.End(-1, true);
        break;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED) Present(true);
        break;
      case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT)
          c_.ModalMouseDown(d, InputAt(e.button.x, e.button.y, e.button.timestamp));
        break;
      case SDL_MOUSEMOTION:
        c_.host().desktop().SetCursorPosition({e.motion.x / zoom_, e.motion.y / zoom_});
        break;
      case SDL_TEXTINPUT:
        c_.ModalText(d, e.text.text);
        break;
      case SDL_KEYDOWN: {
        const bool shift = (e.key.keysym.mod & KMOD_SHIFT) != 0;
        const bool ctrl = (e.key.keysym.mod & KMOD_CTRL) != 0;
        switch (e.key.keysym.sym) {
          case SDLK_RETURN:
          case SDLK_KP_ENTER:
            c_.ModalKey(d, Key::kReturn, shift, ctrl);
            break;
          case SDLK_ESCAPE:
            c_.ModalKey(d, Key::kEscape);
            break;
          case SDLK_BACKSPACE:
            c_.ModalKey(d, Key::kBackspace, shift, ctrl);
            break;
          case SDLK_DELETE:
            c_.ModalKey(d, Key::kDelete, shift, ctrl);
            break;
          case SDLK_LEFT:
            c_.ModalKey(d, Key::kLeft, shift, ctrl);
            break;
          case SDLK_RIGHT:
            c_.ModalKey(d, Key::kRight, shift, ctrl);
            break;
          case SDLK_UP:
            c_.ModalKey(d, Key::kUp, shift, ctrl);
            break;
          case SDLK_DOWN:
            c_.ModalKey(d, Key::kDown, shift, ctrl);
            break;
          case SDLK_HOME:
            c_.ModalKey(d, Key::kHome, shift, ctrl);
            break;
          case SDLK_END:
            c_.ModalKey(d, Key::kEnd, shift, ctrl);
            break;
          case SDLK_TAB:
            c_.ModalKey(d, Key::kTab, shift, ctrl);
            break;
          case SDLK_F12:
            Screenshot();
            break;
          default:
            break;
        }
        break;
      }
      default:
        break;
    }
    ShowStatus();
    if (!d.ended()) {
      c_.PaintModal(d);
      Present(false);
    }
  }
  c_.EndModal();
}

// Whether SDL's video driver puts windows on a screen. Without a display SDL may fall
// back to a driver that draws into memory only: its window would show nothing, and the
// program would run with no way for anyone to end it.
bool ShowsWindows(const char* driver) {
  static const char* const kInvisible[] = {"offscreen", "dummy", "evdev"};
  if (!driver) return false;
  for (const char* name : kInvisible)
    if (SDL_strcasecmp(driver, name) == 0) return false;
  return true;
}

}  // namespace

std::string DefaultDriveC() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/velm-host";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.local/share/velm-host";
  return {};
}

int RunGui(const GuiOptions& options) {
  const Clock::time_point started = Clock::now();
  FrameStats stats;
  // A display that is named but does not take a client at once (starting, or busy) makes
  // SDL fall back to a driver that shows nothing: it is asked again for two seconds.
  const bool named = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
  for (int attempt = 0;; ++attempt) {
    const bool last = !named || attempt >= 10;
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
      if (!last) {
        SDL_Delay(200);
        continue;
      }
      std::fprintf(stderr, "velm-host gui: no display to open a window on (%s)\n", SDL_GetError());
      return 2;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (ShowsWindows(driver)) break;
    if (last) {
      std::fprintf(stderr,
                   "velm-host gui: no display to open a window on (the video driver \"%s\" "
                   "shows nothing)\n",
                   driver ? driver : "none");
      SDL_Quit();
      return 2;
    }
    SDL_Quit();
    SDL_Delay(200);
  }
  std::string error, note;
  const std::string startLibrary = StartLibrary(options.library, options.settings, &note);
  if (!note.empty()) std::printf("velm-host gui: %s\n", note.c_str());
  std::unique_ptr<velmsession::PluginSession> session =
      velmsession::PluginSession::Open(startLibrary, false, &error, options.driveC);
  if (!session) {
    std::fprintf(stderr, "velm-host gui: %s\n", error.c_str());
    SDL_Quit();
    return 1;
  }
  // The library in use is the one the next start takes.
  const auto remember = [&options](const std::string& library) {
    std::string why;
    if (!options.settings.empty() && !RememberLibrary(options.settings, library, &why))
      std::fprintf(stderr, "velm-host gui: %s\n", why.c_str());
  };
  remember(startLibrary);
  int status = 0;
  {
    Controller controller(*session, "");
    if (!options.scene.empty() && !controller.LoadDocument(options.scene)) {
      std::fprintf(stderr, "velm-host gui: %s\n", controller.TakeStatus().c_str());
      session.reset();
      SDL_Quit();
      return 1;
    }
    if (!options.saveAs.empty()) controller.SetSavePath(options.saveAs);
    if (!note.empty()) controller.Tell(note);
    controller.WatchLibrary(startLibrary);
    Window window(controller, options, stats, started);
    if (!window.Open(&error)) {
      std::fprintf(stderr, "velm-host gui: cannot open the window (%s)\n", error.c_str());
      status = 2;
    } else {
      std::string library = startLibrary;
      session->host().dialogs().SetInteractiveRunner(
          [&window](hostsim::Dialog& d) { window.RunModal(d); });
      session->StartApplication();
      while (true) {
        window.Run();
        if (window.closed()) break;
        // Another library: the plug-in is shut down and started anew on it (one session at
        // a time), the document carried over; when the folder cannot be used, the old one
        // is opened again.
        const nlohmann::json scene = hostsim::WriteScene(session->document());
        const bool modified = controller.modified();
        std::string tried = window.library();
        session.reset();
        session = velmsession::PluginSession::Open(tried, false, &error, options.driveC);
        if (!session) {
          const std::string why = error;
          session = velmsession::PluginSession::Open(library, false, &error, options.driveC);
          if (!session) {
            std::fprintf(stderr, "velm-host gui: %s\n", error.c_str());
            status = 1;
            break;
          }
          controller.Rebind(*session);
          controller.Refuse("cannot use " + tried + " as the library: " + why);
        } else {
          library = tried;
          remember(library);
          controller.Rebind(*session);
          controller.Tell("library " + library);
        }
        hostsim::OpenScene(session->host(), scene, &error);
        controller.CarryOver(modified);
        controller.WatchLibrary(library);
        session->host().dialogs().SetInteractiveRunner(
            [&window](hostsim::Dialog& d) { window.RunModal(d); });
        session->StartApplication();
      }
      if (session) session->host().dialogs().SetInteractiveRunner(nullptr);
    }
  }
  // Closing the window shuts the plug-in down as the host does (its preferences and the
  // palette's state are written).
  if (!session) {
    SDL_Quit();
    return status;
  }
  const int failures = session->hostFailures();
  session.reset();
  SDL_Quit();
  if (!options.stats.empty()) {
    if (!hostsim::WriteFileAtomically(options.stats, stats.Report(), &error)) {
      std::fprintf(stderr, "velm-host gui: cannot write %s: %s\n", options.stats.c_str(),
                   error.c_str());
      if (status == 0) status = 1;
    }
  }
  if (failures != 0) {
    std::fprintf(stderr, "velm-host gui: the stand-in host reported %d failure(s)\n", failures);
    if (status == 0) status = 1;
  }
  return status;
}

#endif

}  // namespace velmgui
