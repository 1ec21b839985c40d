// Test folders and files on Windows, named in UTF-16 as the system stores them.
#pragma once

#include <string>

namespace velmtest {

// UTF-8 -> UTF-16.
std::wstring Wide(const std::string& utf8);

// A fresh, empty folder under the system's temporary folder; removed again, with
// everything in it, when the object goes.
class WinTempFolder {
 public:
  WinTempFolder();
  ~WinTempFolder();
  WinTempFolder(const WinTempFolder&) = delete;
  WinTempFolder& operator=(const WinTempFolder&) = delete;

  // The folder's path (no trailing backslash), as UTF-16 and as a plug-in (Shift-JIS) path.
  const std::wstring& wide() const { return wide_; }
  const std::string& sjis() const { return sjis_; }
  // A path inside the folder from a UTF-8 relative path ("VELM\\表.VEL").
  std::wstring WideIn(const std::string& utf8) const;
  std::string SjisIn(const std::string& utf8) const;

 private:
  std::wstring wide_;
  std::string sjis_;
};

// The whole content of a file ("" when it cannot be read), and writing one.
std::string FileBytes(const std::wstring& path);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

}  // namespace velmtest
