// Scripted user sessions: a whole session with the plug-in in the stand-in host, written
// as user steps one a line (start the host, tick its timer, use the palette, answer
// dialogs, drag records onto the document, take screenshots, restart, quit). Tests, the
// demo and `velm-host session` run the palette through the same steps.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>

namespace velmsession {

struct ScriptOptions {
  // The library folder (created when missing); a `library` step may name another.
  std::filesystem::path library;
  // A scene opened as the document after start-up (optional).
  std::filesystem::path scene;
  // Where screenshots and saved documents go (relative names), and the folder the
  // script's own relative input names (scenes) are read from.
  std::filesystem::path out = ".";
  std::filesystem::path input = ".";
};

// Runs the steps of `script`. Returns 0 when every step was carried out, else 1 with
// `error` naming the line and why; what each step did goes to `log`.
int RunSessionScript(std::istream& script, const ScriptOptions& options, std::string* error,
                     std::ostream& log);

}  // namespace velmsession
