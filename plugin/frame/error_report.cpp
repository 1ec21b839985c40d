// The "Plug-in Error" dialog: a message looked up in the error table of the plug-in's
// string resources, and the code as text.
#include <cstring>

#include "frame/error_report.h"
#include "frame/globals.h"
#include "frame/host_entry.h"
#include "frame/suites.h"

namespace velm {
namespace {

constexpr std::int32_t kOkItem = 1;
constexpr std::int32_t kMessageItem = 2;
constexpr std::int32_t kCodeItem = 3;

struct ErrorTexts {
  char message[256];
  char code[16];
};

// Numeric codes have their upper 16 bits all clear or all set.
bool IsNumericCode(host::Err code) {
  const std::uint32_t upper = static_cast<std::uint32_t>(code) >> 16;
  return upper == 0 || upper == 0xFFFF;
}

// The code a table entry stands for; false when the text cannot be converted.
bool CodeOfText(const char* text, host::Err* code) {
  const std::size_t length = std::strlen(text);
  if (length > 255) return false;
  if (text[0] == '-' || (text[0] >= '0' && text[0] <= '9')) {
    unsigned char counted[256];
    counted[0] = static_cast<unsigned char>(length);
    std::memcpy(counted + 1, text, length);
    host::Real value = 0;
    if (sUser->StringToNumber(counted, &value)) return false;
    *code = static_cast<std::int16_t>(static_cast<std::int32_t>(value));
    return true;
  }
  char letters[4] = {0, 0, 0, 0};
  std::memcpy(letters, text, length < 4 ? length : 4);
  *code = host::FourCC(letters[0], letters[1], letters[2], letters[3]);
  return true;
}

void CodeText(host::Err code, char (&text)[16]) {
  text[0] = '\0';
  if (IsNumericCode(code)) {
    unsigned char counted[256] = {};
    if (sUser && !sUser->NumberToString(static_cast<host::Real>(code), 0, counted)) {
      std::memcpy(text, counted + 1, counted[0] < 15 ? counted[0] : 15);
      text[counted[0] < 15 ? counted[0] : 15] = '\0';
    }
    return;
  }
  const auto u = static_cast<std::uint32_t>(code);
  text[0] = static_cast<char>(u >> 24);
  text[1] = static_cast<char>(u >> 16);
  text[2] = static_cast<char>(u >> 8);
  text[3] = static_cast<char>(u);
  text[4] = '\0';
}

host::Err ErrorDialogInit(host::DialogRef dialog) {
  const auto* texts = static_cast<const ErrorTexts*>(sAdmDialog->GetUserData(dialog));
  if (host::ItemRef ok = sAdmDialog->GetItem(dialog, kOkItem))
    sAdmItem->SetNotifyProc(ok, HostEntry<DefaultButtonNotify>::Call);
  if (host::ItemRef message = sAdmDialog->GetItem(dialog, kMessageItem))
    sAdmItem->SetText(message, texts->message);
  if (host::ItemRef code = sAdmDialog->GetItem(dialog, kCodeItem))
    sAdmItem->SetText(code, texts->code);
  return host::kNoErr;
}

}  // namespace

void ReportError(host::MessageData* message, host::Err code) {
  if (code == host::kNoErr || code == host::kStopErr) return;
  if (!sAdmBasic || !sAdmDialog || !sAdmItem || !sUser) return;
  // Before start-up has stored the plug-in reference (a failed start-up), the
  // message's own reference names the plug-in.
  const host::PluginRef plugin =
      gGlobals && gGlobals->pluginRef ? gGlobals->pluginRef : (message ? message->self : nullptr);
  if (!plugin) return;

  // Pairs of code text and message from index 1 on; the list ends at an empty string.
  // Texts are read into a buffer larger than 255 bytes so that an over-long code text is
  // recognised (and never matches) instead of being cut to something that might.
  std::int32_t index = 1;
  bool found = false;
  for (;; index += 2) {
    char text[512] = {};
    if (sAdmBasic->GetIndexString(plugin, kErrorStringList, index, text, sizeof text)) break;
    if (text[0] == '\0') break;
    host::Err tableCode = 0;
    if (CodeOfText(text, &tableCode) && tableCode == code) {
      found = true;
      break;
    }
  }

  ErrorTexts texts{};
  const std::int32_t messageIndex = found ? index + 1 : index - 1;
  if (messageIndex < 1 || sAdmBasic->GetIndexString(plugin, kErrorStringList, messageIndex,
                                                    texts.message, sizeof texts.message))
    return;
  CodeText(code, texts.code);
  sAdmDialog->Modal(plugin, "Error Dialog", kErrorDialogId, 0, HostEntry<ErrorDialogInit>::Call,
                    &texts);
}

void DefaultButtonNotify(host::ItemRef item, host::NotifierRef notifier) {
  sAdmItem->DefaultNotify(item, notifier);
}

void ReportEntryFailure() noexcept {
  if (gGlobals) CatchAtEntry<void>([] { ReportError(nullptr, host::kMemoryErr); });
}

}  // namespace velm
