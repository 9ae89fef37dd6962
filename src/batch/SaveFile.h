#pragma once
// Writing a file so that a failure leaves what was there before: the new content goes to a
// scratch file beside the target and replaces it in one rename.

#include <optional>
#include <string>

namespace batch {

// The file a save to `path` writes: the path itself for a new name or a regular file, the file
// a link names when that is a regular file (the link stays a link). None for anything else: a
// pipe, a device, a folder or a link to nothing, which a rename over it would destroy. Every
// save of the program, the capture's included, goes through this one rule.
std::optional<std::string> SaveTarget(const std::string& path);
// A scratch name in the target's directory.
std::string ScratchPath(const std::string& path);
// Moves the finished scratch file onto the target; empty on success, else the system's reason.
std::string Commit(const std::string& scratch, const std::string& path);

} // namespace batch
