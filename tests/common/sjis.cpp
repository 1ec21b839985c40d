#include "common/sjis.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace velmtest {
namespace {

std::string Convert(const char* from, const char* to, const std::string& in) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  if (cd == reinterpret_cast<iconv_t>(-1)) return {};
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  EXPECT_NE(r, static_cast<size_t>(-1)) << "cannot convert " << in;
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

std::string Sjis(const std::string& utf8) {
  return Convert("UTF-8", "CP932", utf8);
}
std::string Utf8(const std::string& sjis) {
  return Convert("CP932", "UTF-8", sjis);
}

}  // namespace velmtest
