#include "entry/host_objects.h"

#include <cstring>

#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"
#include "frame/trace.h"
#include "palette/palette_window.h"

namespace velm {
namespace {

constexpr const char kShowPaletteText[] = "VELM-Pro を表示";
constexpr const char kHidePaletteText[] = "VELM-Pro を隠す";

// The palette exists and the user sees it.
bool PaletteVisible(const Globals* g) {
  return g->palette && sAdmDialog && sAdmDialog->IsVisible(g->palette);
}

}  // namespace

host::Err RegisterNotifier(host::MessageData* message) {
  (void)message;
  Globals* g = gGlobals;
  if (!g || !sNotifier) return host::kBadParameterErr;
  return sNotifier->AddNotifier(g->pluginRef, kNotifierName, kApplicationStartedType,
                                &g->notifierHandle);
}

host::Err AddPaletteMenuItem(host::MessageData* message) {
  (void)message;
  Globals* g = gGlobals;
  if (!g || !sMenu) return host::kBadParameterErr;
  // The host takes the first text with a length byte in front.
  unsigned char text[256];
  const std::size_t length = std::strlen(kShowPaletteText);
  static_assert(sizeof kShowPaletteText - 1 <= 255, "a length-prefixed text holds 255 bytes");
  text[0] = static_cast<unsigned char>(length);
  std::memcpy(text + 1, kShowPaletteText, length);
  return sMenu->AddMenuItem(g->pluginRef, kPaletteMenuItemName, kPalettesMenuGroup, text,
                            kPaletteMenuOptions, &g->menuItemHandle);
}

host::Err AddPaletteTimer(host::MessageData* message) {
  (void)message;
  Globals* g = gGlobals;
  if (!g || !sTimer) return host::kBadParameterErr;
  return sTimer->AddTimer(g->pluginRef, kTimerName, kTimerPeriod, &g->timerHandle);
}

// A message about another object (or one that arrives before its object was added)
// does nothing.
host::Err NotifyHandler(host::MessageData* message) {
  Globals* g = gGlobals;
  const auto* m = reinterpret_cast<const host::NotifierMessage*>(message);
  if (!g || !g->notifierHandle || m->notifier != g->notifierHandle) return host::kNoErr;
  Trace("NotifyHandler_START\r\n");
  CreatePalette();
  Trace("NotifyHandler_END\r\n");
  return host::kNoErr;
}

host::Err MenuGoHandler(host::MessageData* message) {
  Globals* g = gGlobals;
  const auto* m = reinterpret_cast<const host::MenuMessage*>(message);
  if (!g || !g->menuItemHandle || m->menuItem != g->menuItemHandle) return host::kNoErr;
  if (g->palette && sAdmDialog) sAdmDialog->Show(g->palette, !sAdmDialog->IsVisible(g->palette));
  return host::kNoErr;
}

host::Err MenuUpdateHandler(host::MessageData* message) {
  Globals* g = gGlobals;
  const auto* m = reinterpret_cast<const host::MenuMessage*>(message);
  if (!g || !g->menuItemHandle || m->menuItem != g->menuItemHandle) return host::kNoErr;
  // Under PluginMain the suites are held already; this only raises the count.
  const host::Err err = AcquireSuites(message->basic);
  if (err) return err;
  if (g->palette && sMenu)
    sMenu->SetItemText(g->menuItemHandle, PaletteVisible(g) ? kHidePaletteText : kShowPaletteText);
  ReleaseSuites(message->basic);
  return host::kNoErr;
}

host::Err TimerHandler(host::MessageData* message) {
  Globals* g = gGlobals;
  const auto* m = reinterpret_cast<const host::TimerMessage*>(message);
  if (!g || !g->timerHandle || m->timer != g->timerHandle) return host::kNoErr;
  if (g->timerBusy) {
    // A tick while a refresh still runs is skipped. A guard that stays set through
    // more than kTimerSkipLimit skipped ticks is cleared, so the refreshes resume.
    if (g->timerSkips > kTimerSkipLimit) {
      g->timerSkips = 0;
      g->timerBusy = 0;
    } else {
      ++g->timerSkips;
    }
    return host::kNoErr;
  }
  // Cleared however the refresh ends, so that the next tick refreshes again.
  const ScopedFlag busy(g->timerBusy);
  if (PaletteVisible(g)) RefreshPalette();
  return host::kNoErr;
}

}  // namespace velm
