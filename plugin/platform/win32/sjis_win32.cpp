#include "platform/win32/sjis_win32.h"

#include <windows.h>

#include <climits>
#include <string>

#include "platform/sjis_forms.h"

namespace velm::win32 {

int SjisToWideCount(const char* sjis, int length, wchar_t* wide, int size) {
  if (!sjis || !wide || length < 0 || size <= 0) return -1;
  if (length == 0) return 0;
  const int n =
      MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, sjis, length, wide, size);
  return n > 0 ? n : -1;
}

bool SjisToWide(const char* sjis, wchar_t* wide, std::size_t size) {
  if (!sjis || !wide || size == 0 || size > INT_MAX) return false;
  // -1: the terminator is converted too and counted in the result.
  const int n = MultiByteToWideChar(kShiftJisCodePage, MB_ERR_INVALID_CHARS, sjis, -1, wide,
                                    static_cast<int>(size));
  if (n <= 0) {
    wide[0] = L'\0';
    return false;
  }
  return true;
}

bool WideToSjis(const wchar_t* wide, char* sjis, std::size_t size) {
  if (!wide || !sjis || size == 0 || size > INT_MAX) return false;
  // Code page 932 holds only the Windows forms of the seven doubled characters; without
  // best fit the JIS forms would be refused, so they are replaced first.
  std::wstring text(wide);
  platform::ToWindowsFormsInPlace(text.data());
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(kShiftJisCodePage, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, sjis,
                                    static_cast<int>(size), nullptr, &usedDefault);
  if (n <= 0 || usedDefault) {
    sjis[0] = '\0';
    return false;
  }
  return true;
}

}  // namespace velm::win32
