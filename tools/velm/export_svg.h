// velm export --symbols: a whole group written as one SVG symbol set.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>

#include "plugin_session.h"

namespace velmtool {

// Places every record of `group` (UTF-8; its file `file`) where its art was stored, writes
// the set to `output` and returns the exit status: records that cannot be placed are left
// out with a message (exit 1).
int ExportSymbolSet(velmsession::PluginSession& session, const std::string& group,
                    const std::filesystem::path& file, const std::string& output, std::ostream& out,
                    std::ostream& err);

// A symbol's <desc>: "kind: <kind>" and "comment: <comment>" on two lines (the comment
// runs to the end, line breaks and all).
std::string SymbolDescription(const std::string& kind, const std::string& comment);

}  // namespace velmtool
