// velm lzss: the record codec on raw files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "commands.h"
#include "database/lzss.h"
#include "hostsim/core/file_output.h"
#include "platform/memory.h"
#include "record_walk.h"

namespace velmtool {
namespace {

// Only a regular file is read: a folder, a device or a pipe has no size to bound the work.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>* bytes) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

int CommandLzss(const LzssOptions& options, std::ostream& out, std::ostream& err) {
  const bool encode = options.direction == "encode";
  if (!encode && options.direction != "decode") {
    err << "velm: lzss needs encode or decode, not \"" << options.direction << "\"\n";
    return kExitUsage;
  }
  std::vector<std::uint8_t> input;
  if (!ReadWholeFile(options.input, &input)) {
    err << "velm: cannot read " << options.input << " (not a readable regular file)\n";
    return kExitProblems;
  }
  if (input.size() > UINT32_MAX) {
    err << "velm: " << options.input << " is larger than 4 GiB\n";
    return kExitProblems;
  }
  const auto size = static_cast<std::uint32_t>(input.size());
  velm::os::MemHandle output = nullptr;
  const std::int64_t length =
      encode ? velm::LzssEncode(input.data(), size, output, velm::kRecordGranule)
             : velm::LzssDecode(input.data(), size, output, velm::kRecordGranule);
  int status = kExitOk;
  if (length < 0) {
    err << "velm: out of memory while " << (encode ? "encoding " : "decoding ") << options.input
        << "\n";
    status = kExitProblems;
  } else if (std::string error;
             !hostsim::WriteFileAtomically(options.output,
                                           std::string_view(reinterpret_cast<const char*>(output),
                                                            static_cast<std::size_t>(length)),
                                           &error)) {
    err << "velm: " << error << "\n";
    status = kExitProblems;
  } else {
    // Written to standard output (/dev/stdout, or the file it is redirected to), the bytes
    // are not followed by the report there.
    struct stat written {
    }, standard{};
    const bool toOut = ::stat(options.output.c_str(), &written) == 0 &&
                       ::fstat(STDOUT_FILENO, &standard) == 0 &&
                       written.st_dev == standard.st_dev && written.st_ino == standard.st_ino;
    (toOut ? err : out) << options.input << ": " << input.size() << " bytes "
                        << (encode ? "encoded" : "decoded") << " to " << length << " bytes in "
                        << options.output << "\n";
    if (!encode) {
      const CodedEnd end = CheckCodedStream(input.data(), input.size());
      if (!end.complete) {
        err << "velm: " << options.input << " ends inside an item at offset " << end.lastItemEnd
            << ": the output stops before it\n";
        status = kExitProblems;
      }
    }
  }
  velm::ReleaseBlock(output);
  return status;
}

}  // namespace velmtool
