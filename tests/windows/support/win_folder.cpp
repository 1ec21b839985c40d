#include "windows/support/win_folder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/sjis.h"

namespace velmtest {

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  std::wstring out(utf8.size() + 1, L'\0');
  const int n =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), static_cast<int>(utf8.size()),
                          out.data(), static_cast<int>(out.size()));
  EXPECT_GT(n, 0) << utf8;
  out.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return out;
}

WinTempFolder::WinTempFolder() {
  static int serial = 0;
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  EXPECT_GT(n, 0u);
  wide_ = std::wstring(temp) + L"velm-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++serial);
  std::filesystem::remove_all(std::filesystem::path(wide_));
  EXPECT_TRUE(CreateDirectoryW(wide_.c_str(), nullptr));
  // The temporary folder's own name is plain ASCII on the machines the tests run on.
  std::string utf8;
  for (wchar_t c : wide_) {
    EXPECT_LT(c, 0x80) << "the temporary folder's path is not ASCII";
    utf8 += static_cast<char>(c);
  }
  sjis_ = utf8;
}

WinTempFolder::~WinTempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(std::filesystem::path(wide_), ec);
}

std::wstring WinTempFolder::WideIn(const std::string& utf8) const {
  return wide_ + L"\\" + Wide(utf8);
}

std::string WinTempFolder::SjisIn(const std::string& utf8) const {
  return sjis_ + "\\" + Sjis(utf8);
}

std::string FileBytes(const std::wstring& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good());
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace velmtest
