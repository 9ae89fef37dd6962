#pragma once
// Writing a file so that a failure leaves what was there before: the new content goes to a
// scratch file beside the target and replaces it in one rename.

#include <string>

namespace batch {

// Empty when `path` may be written; otherwise why not (it exists and is not a regular file).
std::string RefuseTarget(const std::string& path);
// A scratch name in the target's directory.
std::string ScratchPath(const std::string& path);
// Moves the finished scratch file onto the target; empty on success, else the system's reason.
std::string Commit(const std::string& scratch, const std::string& path);

} // namespace batch
