// velm export's option texts and the file names of a group exported into a folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmtool {

// A --background value: "transparent" (unset colour), "white", "#RRGGBB" or "#RGB" (hex
// digits in either case). False for anything else.
bool ParseBackground(const std::string& text, std::optional<std::uint32_t>* colour);

// The files a group's records are written to in one folder, in record order: each record's
// name (Shift-JIS, as stored) in UTF-8 made a safe file name, then `extension` (".png").
// Characters no file name may hold (\ / : * ? " < > |, control characters) become '_', dots
// and spaces at either end go, a Windows device name (CON, COM1, ...) gets a '_', and a
// name left empty becomes "record-<number>". A name met before (upper and lower case
// alike, as such file systems take them) gets "-2", "-3", ... so that no two are the same.
std::vector<std::string> RecordFileNames(const std::vector<std::string>& sjisNames,
                                         const std::string& extension);

}  // namespace velmtool
