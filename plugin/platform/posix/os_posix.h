// POSIX-only configuration of the platform layer: where drive letters live.
#pragma once

namespace velm::os {

// Maps the drive letter (case-insensitive) of plug-in paths to a folder of this
// machine. Without a mapping, the environment variable VELM_DRIVE_<letter> is used;
// paths on an unmapped drive cannot be opened.
void SetDriveRoot(char letter, const char* folder);

// Converts a plug-in path to the file system's path; false when it cannot be mapped
// (no drive root, a name that is not valid Shift-JIS, a path too long).
bool MapPath(const char* path, char* out, unsigned outSize);

}  // namespace velm::os
