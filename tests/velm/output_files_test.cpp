// The commands' outputs over existing files on a full disk: each command fails, names the
// file, and leaves the old file as it was with nothing beside it. The programs run as
// separate processes with their file size limited, a write past it failing as on a full disk.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <csignal>
#include <filesystem>

#include "velm/velm_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

const fs::path kBuild = fs::path(VELM_MODULE_PATH).parent_path().parent_path();

class OutputFilesTest : public VelmToolTest {
 protected:
  void SetUp() override {
    VelmToolTest::SetUp();
    os::MemHandle record = MakeRecord("r0");
    AppendObject(record, PathObjectBytes(3));
    Store("g", record);
    fs::create_directories(out_.path() / "files");
  }

  // Runs `program` with `args`; its files are limited to `fileLimit` bytes (with SIGXFSZ
  // ignored, so that a write past the limit fails with EFBIG). Its exit status, with what
  // it wrote to stderr (through a pipe, which the limit does not touch) in *err.
  static int Run(const fs::path& program, const std::vector<std::string>& args, rlim_t fileLimit,
                 std::string* err) {
    int pipe[2];
    if (::pipe(pipe) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
      if (::dup2(pipe[1], 2) < 0 || ::dup2(::open("/dev/null", O_WRONLY), 1) < 0) ::_exit(99);
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileLimit, fileLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(99);
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(program.c_str(), argv.data());
      ::_exit(98);
    }
    ::close(pipe[1]);
    err->clear();
    char buffer[4096];
    for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;)
      err->append(buffer, static_cast<std::size_t>(n));
    ::close(pipe[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  TempFolder out_;
};

TEST_F(OutputFilesTest, AFullDiskLeavesTheOldOutputAndExitsWithAFailure) {
  const fs::path velm = kBuild / "tools" / "velm" / "velm", host = kBuild / "hostsim" / "velm-host";
  struct Case {
    fs::path program;
    std::vector<std::string> args;  // the output's name follows
    const char* output;
  };
  const Case cases[] = {
      {velm, {"export", FileOf("g"), "0", "-o"}, "art.png"},
      {velm, {"export", FileOf("g"), "0", "-o"}, "art.svg"},
      {velm, {"export", FileOf("g"), "--symbols", "-o"}, "set.svg"},
      {velm, {"thumb", FileOf("g"), "0", "-o"}, "thumb.png"},
      {velm, {"sheet", Folder(), "-o"}, "sheet.png"},
      {host, {"place", Folder(), "g", "0", "--at", "100,100", "-o"}, "placed.json"},
      {host, {"place", Folder(), "g", "0", "--at", "100,100", "-o"}, "placed.png"},
  };
  for (const Case& c : cases) {
    const fs::path target = out_.path() / "files" / c.output;
    SCOPED_TRACE(c.program.filename().string() + " " + c.args.front() + " " + c.output);
    std::vector<std::string> args = c.args;
    args.push_back(target.string());
    std::string err;
    ASSERT_EQ(Run(c.program, args, RLIM_INFINITY, &err), 0) << err;
    const std::string before = FileBytes(target);
    ASSERT_GT(before.size(), 64u);
    EXPECT_EQ(Run(c.program, args, 64, &err), 1);
    EXPECT_NE(err.find("cannot write " + target.string()), std::string::npos) << err;
    EXPECT_EQ(FileBytes(target), before);
    // Nothing left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), {}), 1);
    fs::remove(target);
  }
}

}  // namespace
}  // namespace velmtest
