// Test helpers for Shift-JIS texts: test sources are UTF-8, the plug-in's texts are not.
#pragma once

#include <string>

namespace velmtest {

// The CP932 bytes of a UTF-8 text (fails the calling test when it cannot be converted).
std::string Sjis(const std::string& utf8);
// The UTF-8 text of CP932 bytes.
std::string Utf8(const std::string& sjis);

}  // namespace velmtest
