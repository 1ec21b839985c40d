#include "placement_check.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>

#include "command_support.h"
#include "database/record.h"
#include "frame/globals.h"
#include "placement/placement_state.h"
#include "platform/memory.h"
#include "platform/posix/os_posix.h"
#include "plugin_session.h"

namespace velmtool {
namespace fs = std::filesystem;
namespace {

// Places the stored record (`length` bytes) into a fresh empty document of `session`,
// its bottom-left corner at the origin. Empty when it is placed whole.
std::string PlaceOne(velmsession::PluginSession& session, const std::uint8_t* stored,
                     std::uint32_t length) {
  velm::os::MemHandle record = nullptr;
  if (!velm::GrowBlock(record, length, velm::kRecordGranule)) return "out of memory";
  std::memcpy(record, stored, length);
  if (velm::RecordFromStoredForm(record, true) != 0) {
    velm::ReleaseBlock(record);
    return "the plug-in cannot read the record";
  }
  hostsim::Host& host = session.host();
  host.SetDocument(std::make_unique<hostsim::Document>());
  velm::gGlobals->dropPoint = {0.0f, 0.0f};
  velm::gGlobals->originMode = 2;
  const int beeps = host.beepCount();
  const host::Err status = velm::PlaceRecordArt(record);
  velm::ReleaseBlock(record);
  if (status == host::kNoErr) return {};
  return "the plug-in's loader cannot place this record's art" + StatusSuffix(status) +
         (host.beepCount() != beeps ? ", it beeps" : "") +
         ": a drop, velm-host place or velm export of it fails";
}

void WriteLine(int fd, const std::string& line) {
  const std::string text = line + "\n";
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// The child: places jobs from `first` on, one line each ("<job>\t<why>"), or one line
// "E\t<why>" when the stand-in host cannot start. Never returns.
[[noreturn]] void RunChild(const std::vector<PlacementJob>& jobs, std::size_t first, int fd) {
  std::error_code ec;
  std::string scratch = (fs::temp_directory_path(ec) / "velm-place-XXXXXX").string();
  if (ec || !::mkdtemp(scratch.data())) {
    WriteLine(fd, "E\tcannot create a temporary folder");
    ::_exit(0);
  }
  {
    // Drive C: of the stand-in host, not the one the caller may have mapped (a Library's,
    // whose VELM is the user's folder), and a scratch library of its own: the user's
    // files are never touched.
    velm::os::SetDriveRoot('C', nullptr);
    std::string error;
    std::unique_ptr<velmsession::PluginSession> session =
        velmsession::PluginSession::Open(scratch, false, &error);
    if (!session) {
      WriteLine(fd, "E\t" + error);
    } else {
      std::vector<std::uint8_t> bytes;
      for (std::size_t k = first; k < jobs.size(); ++k) {
        const PlacementJob& job = jobs[k];
        std::ifstream in(job.file, std::ios::binary);
        bytes.resize(job.length);
        in.seekg(static_cast<std::streamoff>(job.offset));
        std::string why = "the record cannot be read again";
        if (in.read(reinterpret_cast<char*>(bytes.data()), job.length))
          why = PlaceOne(*session, bytes.data(), job.length);
        for (char& c : why)
          if (c == '\n') c = ' ';
        WriteLine(fd, std::to_string(k) + "\t" + why);
      }
    }
  }
  fs::remove_all(scratch, ec);
  ::_exit(0);
}

}  // namespace

PlacementOutcome CheckPlacement(const std::vector<PlacementJob>& jobs) {
  PlacementOutcome outcome;
  outcome.refused.resize(jobs.size());
  std::size_t next = 0;
  while (next < jobs.size()) {
    int fds[2];
    if (::pipe(fds) != 0) {
      outcome.error = "cannot start the check (no pipe)";
      return outcome;
    }
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
      ::close(fds[0]);
      ::close(fds[1]);
      outcome.error = "cannot start the check (no process)";
      return outcome;
    }
    if (child == 0) {
      ::close(fds[0]);
      RunChild(jobs, next, fds[1]);
    }
    ::close(fds[1]);
    std::string pending;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
      if (n < 0) continue;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        if (line.compare(0, tab, "E") == 0) {
          outcome.error = line.substr(tab + 1);
        } else {
          const std::size_t k = std::strtoul(line.c_str(), nullptr, 10);
          if (k == next && k < jobs.size()) outcome.refused[next++] = line.substr(tab + 1);
        }
      }
    }
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!outcome.error.empty()) return outcome;
    // A child that ended before answering every job stopped at the record it was
    // placing: that one is named, and a new child goes on after it.
    if (next < jobs.size()) {
      outcome.refused[next++] =
          WIFSIGNALED(status) ? "the plug-in's loader crashes on this record's art (signal " +
                                    std::to_string(WTERMSIG(status)) + ")"
                              : "the plug-in's loader did not finish placing this record's art";
    }
  }
  return outcome;
}

}  // namespace velmtool
