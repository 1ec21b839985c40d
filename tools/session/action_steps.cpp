#include "action_steps.h"

#include <fstream>
#include <ostream>

#include "hostsim/core/file_output.h"

namespace velmsession {
namespace fs = std::filesystem;

namespace {

fs::path Under(const fs::path& folder, const std::string& name) {
  const fs::path p(name);
  return p.is_absolute() ? p : folder / p;
}

bool Play(hostsim::Host& host, const std::vector<hostsim::RecordedEvent>& events, std::ostream& log,
          std::string* error) {
  const host::Err err = host.PlayActions(events);
  if (err == host::kNotFoundErr) {
    *error = "the action set holds an event no plug-in registered";
    return false;
  }
  // The plug-in reports its own failures (the error dialog or the beep).
  log << "  " << events.size() << " events played\n";
  return true;
}

}  // namespace

StepResult ActionStep(hostsim::Host& host, const std::vector<std::string>& w, const fs::path& out,
                      const fs::path& input, std::ostream& log, std::string* error) {
  hostsim::ActionManager& actions = host.actions();
  const std::size_t argc = w.size() - 1;
  auto failed = [error](std::string why) {
    *error = std::move(why);
    return StepResult::kFailed;
  };
  if (w[0] == "record" && argc == 1 && w[1] == "start") {
    if (actions.recording()) return failed("the host is recording already");
    if (actions.StartRecording() != host::kNoErr) return failed("the action set cannot be saved");
    return StepResult::kDone;
  }
  if (w[0] == "record" && argc <= 2 && argc >= 1 && w[1] == "stop") {
    if (!actions.recording()) return failed("the host is not recording");
    actions.StopRecording();
    log << "  " << actions.recorded().size() << " events recorded\n";
    if (argc == 2) {
      const fs::path set = Under(out, w[2]);
      if (!hostsim::ActionManager::WriteSet(set.string(), actions.recorded()))
        return failed("cannot write " + set.string());
      log << "  action set saved as " << set.string() << "\n";
    }
    return StepResult::kDone;
  }
  if (w[0] == "play" && argc == 0) {
    const std::vector<hostsim::RecordedEvent> events = actions.recorded();
    return Play(host, events, log, error) ? StepResult::kDone : StepResult::kFailed;
  }
  if (w[0] == "play" && argc == 1) {
    fs::path set = Under(out, w[1]);
    if (!fs::exists(set)) set = Under(input, w[1]);
    std::vector<hostsim::RecordedEvent> events;
    if (!hostsim::ActionManager::ReadSet(set.string(), &events))
      return failed("cannot read the action set " + set.string());
    return Play(host, events, log, error) ? StepResult::kDone : StepResult::kFailed;
  }
  if (w[0] == "actions" && argc == 1) {
    const fs::path path = Under(out, w[1]);
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    std::string problem;
    if (!hostsim::WriteFileAtomically(path.string(), actions.Describe(actions.recorded()),
                                      &problem))
      return failed(problem);
    log << "  events listed in " << path.string() << "\n";
    return StepResult::kDone;
  }
  return StepResult::kNotMine;
}

}  // namespace velmsession
