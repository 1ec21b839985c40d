// The test helpers for Shift-JIS texts on Windows, through the system's own code pages.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/sjis.h"

namespace velmtest {
namespace {

std::string Convert(unsigned from, unsigned to, const std::string& in) {
  if (in.empty()) return {};
  const int length = static_cast<int>(in.size());
  std::wstring wide(in.size() + 1, L'\0');
  const int units = MultiByteToWideChar(from, MB_ERR_INVALID_CHARS, in.data(), length, wide.data(),
                                        static_cast<int>(wide.size()));
  EXPECT_GT(units, 0) << "cannot read " << in << " in code page " << from;
  if (units <= 0) return {};
  std::string out(in.size() * 4 + 4, '\0');
  BOOL usedDefault = FALSE;
  const int n = WideCharToMultiByte(to, to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS, wide.data(),
                                    units, out.data(), static_cast<int>(out.size()), nullptr,
                                    to == CP_UTF8 ? nullptr : &usedDefault);
  EXPECT_TRUE(n > 0 && !usedDefault) << "cannot write " << in << " in code page " << to;
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

}  // namespace

std::string Sjis(const std::string& utf8) {
  return Convert(CP_UTF8, 932, utf8);
}
std::string Utf8(const std::string& sjis) {
  return Convert(932, CP_UTF8, sjis);
}

}  // namespace velmtest
