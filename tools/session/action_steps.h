// The session steps of the host's action manager: recording on and off, playback of the
// recorded list or of a saved action set, and the recorded events written as text.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

#include "hostsim/host.h"

namespace velmsession {

enum class StepResult { kNotMine, kDone, kFailed };

// "record start", "record stop [SET]" (SET: a copy of the recorded list as an action set
// file), "play" (the recorded list), "play SET", "actions FILE.txt". Relative files are
// written under `out`; a SET to play is read from `out`, or else from `input`.
StepResult ActionStep(hostsim::Host& host, const std::vector<std::string>& words,
                      const std::filesystem::path& out, const std::filesystem::path& input,
                      std::ostream& log, std::string* error);

}  // namespace velmsession
