// Documents and pictures written over the user's files: a failed write (a full disk) leaves
// the old file as it was, the file keeps its permissions, a link stays a link, a read-only
// file is refused, and nothing is left beside the file.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <fstream>
#include <functional>
#include <thread>

#include "hostsim/core/file_output.h"
#include "hostsim/document_files.h"
#include "hostsim/drawing/renderer.h"
#include "hostsim/scene/scene.h"
#include "hostsim/svg/svg_writer.h"
#include "tests/hostsim/document_fixture.h"

namespace velmtest {
namespace {

namespace fs = std::filesystem;

struct Writer {
  const char* name;
  const char* extension;
  std::function<bool(hostsim::Document&, const std::string&, std::string*)> write;
};

const Writer kWriters[] = {
    {"scene", ".json", hostsim::WriteSceneFile},
    {"svg", ".svg", hostsim::WriteSvgFile},
    {"png", ".png",
     [](hostsim::Document& d, const std::string& path, std::string* error) {
       return hostsim::RenderDocumentToFile(d, path, hostsim::RenderOptions{}, error);
     }},
    {"svg picture", ".svg",
     [](hostsim::Document& d, const std::string& path, std::string* error) {
       return hostsim::RenderDocumentToFile(d, path, hostsim::RenderOptions{}, error);
     }},
};

// What an unprivileged user may do: the superuser runs the child as nobody.
constexpr uid_t kNobody = 65534;

class FileOutputTest : public DocumentTest {
 protected:
  void SetUp() override {
    DocumentTest::SetUp();
    std::string error;
    ASSERT_TRUE(hostsim::OpenSceneFile(
        host(), std::string(VELM_TEST_DATA) + "/scenes/reference.json", &error))
        << error;
    // A folder anyone may write in, so that a child running as another user can.
    folder_ = drive_.path() / "out";
    fs::create_directories(folder_ / "sub");
    for (const fs::path& f : {folder_, folder_ / "sub"})
      fs::permissions(f, fs::perms::all);
  }

  static std::string Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static void Put(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  static unsigned Mode(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
  }
  // Every name in the output folders, to see that no temporary file is left.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(folder_))
      names.push_back(e.path().lexically_relative(folder_).string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Runs the writer in a child process, its files limited to `fileLimit` bytes and writes
  // past it failing with EFBIG as on a full disk, and `asUser` as an ordinary user (nobody
  // when this is the superuser). The child's answer: 0 written, 1 refused with a message
  // that names the file and holds `expected`, 2 refused otherwise.
  int InChild(const Writer& w, const fs::path& path, rlim_t fileLimit, bool asUser,
              const char* expected) {
    const pid_t child = ::fork();
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileLimit, fileLimit};
      if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(3);
      if (asUser && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
        ::_exit(3);
      std::string error;
      if (w.write(doc(), path.string(), &error)) ::_exit(0);
      const bool named = error.find(path.string()) != std::string::npos;
      ::_exit(named && error.find(expected) != std::string::npos ? 1 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  fs::path folder_;
};

TEST_F(FileOutputTest, AFailedWriteLeavesTheOldFileOrNoFile) {
  for (const Writer& w : kWriters) {
    for (bool existing : {true, false}) {
      SCOPED_TRACE(std::string(w.name) + (existing ? " over a file" : " as a new file"));
      const fs::path target = folder_ / (std::string("doc") + w.extension);
      std::string error;
      if (existing) {
        ASSERT_TRUE(w.write(doc(), target.string(), &error)) << error;
        ASSERT_GT(Bytes(target).size(), 100u);
      }
      const std::string before = existing ? Bytes(target) : "";
      EXPECT_EQ(InChild(w, target, 100, false, "cannot write"), 1);
      EXPECT_EQ(fs::exists(target), existing);
      EXPECT_EQ(existing ? Bytes(target) : "", before);
      EXPECT_EQ(Names().size(), 1u + existing) << "nothing but the file and sub/";
      fs::remove(target);
    }
  }
}

TEST_F(FileOutputTest, TheFileKeepsItsModeAndALinkStaysALink) {
  const mode_t mask = ::umask(022);
  ::umask(mask);
  for (const Writer& w : kWriters) {
    SCOPED_TRACE(w.name);
    const std::string ext = w.extension;
    // As written to a new file, for comparison: the mode a new file gets.
    const fs::path fresh = folder_ / ("fresh" + ext);
    std::string error;
    ASSERT_TRUE(w.write(doc(), fresh.string(), &error)) << error;
    EXPECT_EQ(Mode(fresh), 0666u & ~mask);
    const std::string expected = Bytes(fresh);

    const fs::path plain = folder_ / ("plain" + ext), real = folder_ / "sub" / ("real" + ext),
                   link = folder_ / ("link" + ext);
    for (const fs::path& p : {plain, real}) {
      Put(p, "old");
      ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    }
    fs::create_symlink(fs::path("sub") / ("real" + ext), link);
    for (const fs::path& p : {plain, link}) {
      ASSERT_TRUE(w.write(doc(), p.string(), &error)) << error;
      // What the writer writes (Cairo's SVG numbers its elements anew each time).
      EXPECT_EQ(Bytes(p).substr(0, 64), expected.substr(0, 64)) << p;
      EXPECT_GT(Bytes(p).size(), 100u) << p;
    }
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Mode(plain), 0640u);
    EXPECT_EQ(Mode(real), 0640u);
    EXPECT_EQ(Names(), (std::vector<std::string>{"fresh" + ext, "link" + ext, "plain" + ext, "sub",
                                                 "sub/real" + ext}));
    for (const fs::path& p : {fresh, plain, real, link})
      fs::remove(p);
  }
}

TEST_F(FileOutputTest, AReadOnlyFileIsRefusedAndLeftAlone) {
  for (const Writer& w : kWriters) {
    for (bool throughLink : {false, true}) {
      SCOPED_TRACE(std::string(w.name) + (throughLink ? " through a link" : ""));
      const std::string ext = w.extension;
      const fs::path file = folder_ / ("locked" + ext), link = folder_ / ("link" + ext);
      Put(file, "old");
      ASSERT_EQ(::chown(file.c_str(), ::geteuid() == 0 ? kNobody : ::geteuid(), -1), 0);
      ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
      if (throughLink) fs::create_symlink(file.filename(), link);
      EXPECT_EQ(InChild(w, throughLink ? link : file, RLIM_INFINITY, true, "is read-only"), 1);
      EXPECT_EQ(Bytes(file), "old");
      EXPECT_EQ(Mode(file), 0444u);
      EXPECT_EQ(Names().size(), 2u + throughLink);
      fs::remove(file);
      fs::remove(link);
    }
  }
}

TEST_F(FileOutputTest, APipeIsWrittenStraightAndAFolderIsRefused) {
  const fs::path pipe = folder_ / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  std::string error;
  EXPECT_TRUE(hostsim::WriteFileAtomically(pipe.string(), "through", &error)) << error;
  char got[16] = {};
  EXPECT_EQ(::read(reader, got, sizeof got), 7);
  EXPECT_STREQ(got, "through");
  ::close(reader);
  EXPECT_TRUE(fs::is_fifo(pipe));

  EXPECT_FALSE(hostsim::WriteFileAtomically((folder_ / "sub").string(), "x", &error));
  EXPECT_NE(error.find("is a folder"), std::string::npos) << error;
  EXPECT_TRUE(fs::is_directory(folder_ / "sub"));
}

TEST_F(FileOutputTest, ADocumentIsSavedInTheFormatItsNameSaysInAnyCase) {
  std::string error;
  const fs::path svg = folder_ / "written.svg", scene = folder_ / "written.json";
  ASSERT_TRUE(hostsim::WriteSvgFile(doc(), svg.string(), &error)) << error;
  ASSERT_TRUE(hostsim::WriteSceneFile(doc(), scene.string(), &error)) << error;
  const struct {
    const char* name;
    std::string begins;
  } kCases[] = {{"a.svg", Bytes(svg).substr(0, 200)},
                {"b.SVG", Bytes(svg).substr(0, 200)},
                {"c.Svg", Bytes(svg).substr(0, 200)},
                {"d.JSON", Bytes(scene).substr(0, 200)},
                {"e.PNG", std::string("\x89PNG\r\n", 6)}};
  for (const auto& c : kCases) {
    const fs::path path = folder_ / c.name;
    ASSERT_TRUE(hostsim::SaveDocumentFile(doc(), path.string(), &error)) << error;
    EXPECT_EQ(Bytes(path).substr(0, c.begins.size()), c.begins) << c.name;
  }
}

}  // namespace
}  // namespace velmtest

namespace velmtest {
namespace {

// A descriptor named as a file (a shell's > or >>, a pipe) is written as it is: a pipe gets
// the bytes, a log opened for appending keeps what it held.
TEST_F(FileOutputTest, ADescriptorNamedAsAFileIsWrittenAsItIs) {
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  const fs::path log = folder_ / "log.txt";
  Put(log, "earlier\n");
  const int appending = ::open(log.c_str(), O_WRONLY | O_APPEND);
  ASSERT_GE(appending, 0);
  struct stat before {};
  ASSERT_EQ(::stat(log.c_str(), &before), 0);
  std::string error;
  for (const std::string prefix : {"/proc/self/fd/", "/dev/fd/"}) {
    EXPECT_TRUE(hostsim::WriteFileAtomically(prefix + std::to_string(pipeEnds[1]), "piped", &error))
        << error;
    char got[16] = {};
    EXPECT_EQ(::read(pipeEnds[0], got, sizeof got), 5);
    EXPECT_STREQ(got, "piped");
    EXPECT_TRUE(
        hostsim::WriteFileAtomically(prefix + std::to_string(appending), prefix + "\n", &error))
        << error;
  }
  EXPECT_EQ(Bytes(log), "earlier\n/proc/self/fd/\n/dev/fd/\n");
  struct stat after {};
  ASSERT_EQ(::stat(log.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "the log was replaced";
  for (const int fd : {pipeEnds[0], pipeEnds[1], appending})
    ::close(fd);
  EXPECT_EQ(Names(), (std::vector<std::string>{"log.txt", "sub"}));
}

// While the bytes are written, the file beside the target is this user's alone; it takes
// the target's mode once they are all there.
TEST_F(FileOutputTest, TheFileBesideTheTargetIsPrivateWhileItIsWritten) {
  const fs::path target = folder_ / "secret.txt";
  Put(target, "old");
  fs::permissions(target, static_cast<fs::perms>(0644));
  std::atomic<bool> done{false};
  std::vector<unsigned> seen;
  std::thread watcher([&] {
    while (!done) {
      for (const auto& e : fs::directory_iterator(folder_)) {
        struct stat st {};
        if (e.path().extension() == ".tmp" && ::stat(e.path().c_str(), &st) == 0)
          seen.push_back(st.st_mode & 07777);
      }
    }
  });
  std::string error;
  EXPECT_TRUE(hostsim::WriteFileAtomically(target.string(), std::string(64 << 20, 's'), &error))
      << error;
  done = true;
  watcher.join();
  // Seen first while its bytes were written: no one else may read them then.
  ASSERT_FALSE(seen.empty()) << "the write was not seen";
  EXPECT_EQ(seen.front() & 077, 0u) << std::oct << seen.front();
  EXPECT_EQ(Mode(target), 0644u);
}

// What a killed write left beside its target goes with the next write to the folder, when
// its writer is known to be gone; any other file stays.
TEST_F(FileOutputTest, FilesAKilledWriteLeftAreRemovedWhenTheirWriterIsGone) {
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string dead = ".a.svg." + std::to_string(gone) + "-3.tmp";
  const std::string live = ".a.svg." + std::to_string(::getppid()) + "-1.tmp";
  const std::string locked = ".b.png." + std::to_string(gone) + "-4.tmp";
  const std::string unknown[] = {".notes.tmp", ".a.svg.x-1.tmp", ".a.svg.12-.tmp", "a.svg.1-1.tmp"};
  for (const std::string& name : {dead, live, locked})
    Put(folder_ / name, "half");
  for (const std::string& name : unknown)
    Put(folder_ / name, "mine");
  // A writer on another machine holds its lock on the file; its process means nothing here.
  const int holder = ::open((folder_ / locked).c_str(), O_RDWR);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(holder, F_OFD_SETLK, &lock), 0);
  std::string error;
  ASSERT_TRUE(hostsim::WriteFileAtomically((folder_ / "c.txt").string(), "new", &error)) << error;
  ::close(holder);
  EXPECT_FALSE(fs::exists(folder_ / dead));
  for (const std::string& name : {live, locked})
    EXPECT_TRUE(fs::exists(folder_ / name)) << name;
  for (const std::string& name : unknown)
    EXPECT_TRUE(fs::exists(folder_ / name)) << "its writer cannot be told: " << name;
}

}  // namespace
}  // namespace velmtest
