// Writing the files a user keeps (documents, pictures, reports, preferences) so that a failed
// write never leaves a half-written file where a good one was.
#pragma once

#include <string>
#include <string_view>

namespace hostsim {

// Makes `bytes` the whole content of the file at `path`: written to a new file beside it,
// flushed to disk and renamed over it, then the folder flushed, so that the file holds either
// its old content or the new one, never a part. A symbolic link is written through: its final
// file gets the content and the link stays a link. An existing file keeps its permissions
// (and its owner where this user may give it); a new one gets the default the umask leaves.
// The file beside it is this user's alone until it takes the file's place.
// Refused, with the file untouched: a file this user may not write ("is read-only"), a folder
// and anything else that is not a regular file, except a pipe or a character device, which
// has nothing to lose and is written straight. A descriptor named as a file (/dev/stdout,
// /dev/fd/N, /proc/self/fd/N: a shell's redirection, a pipe, a socket) is written as it is,
// at its position or, opened for appending, at its end. On any failure nothing is left
// beside the file and *error (when given) names the file and the reason. Files a killed
// write left beside their targets in the folder (".NAME.<process>-<n>.tmp") are deleted
// first, those whose writer is gone (its lock on the file is free and its process does not
// run); one whose writer cannot be told stays.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

// Whether the file name ends in `extension` (".svg"), in any case: "A.SVG" is an SVG file.
bool HasExtension(std::string_view path, std::string_view extension);

}  // namespace hostsim
