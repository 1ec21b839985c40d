// The three host objects that tie the plug-in to the application: the notifier that
// reports the end of the application's start-up (when the palette is made), the menu
// item that shows and hides the palette, and the timer that keeps it up to date.
#pragma once

#include <cstdint>

#include "host/errors.h"
#include "host/messages.h"

namespace velm {

inline constexpr const char kNotifierName[] = "AI-DRUMEL_notifier";
inline constexpr const char kApplicationStartedType[] = "AI Application Started Notifier";
inline constexpr const char kPaletteMenuItemName[] = "AI-PELKAN Info Group";
inline constexpr const char kPalettesMenuGroup[] = "Palettes";
inline constexpr std::int32_t kPaletteMenuOptions = 1;
inline constexpr const char kTimerName[] = "VE-LM_timer";
// Host ticks (1/60 s) between two refreshes of the palette.
inline constexpr std::int32_t kTimerPeriod = 30;
// Skipped ticks after which a guard left set is cleared (the next one clears it).
inline constexpr std::int32_t kTimerSkipLimit = 10;

// Added by StartupPlugin in this order; each returns the host's status.
host::Err RegisterNotifier(host::MessageData* message);
host::Err AddPaletteMenuItem(host::MessageData* message);
host::Err AddPaletteTimer(host::MessageData* message);

// "AI Notifier"/"AI Notify": the application has started, the palette is made.
host::Err NotifyHandler(host::MessageData* message);
// "AI Menu"/"AI Go": shows a hidden palette, hides a visible one.
host::Err MenuGoHandler(host::MessageData* message);
// "AI Menu"/"AI Update": the item's text follows the palette's visibility.
host::Err MenuUpdateHandler(host::MessageData* message);
// "AI Timer"/"AI Go": refreshes a visible palette, never nested.
host::Err TimerHandler(host::MessageData* message);

}  // namespace velm
