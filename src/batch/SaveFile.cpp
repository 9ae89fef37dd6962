#include "batch/SaveFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

std::string RefuseTarget(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return {};
    if (!S_ISREG(st.st_mode)) return path + ": not a regular file";
    return {};
}

std::string ScratchPath(const std::string& path) {
    static std::atomic<int> counter{0};
    return path + ".part-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

std::string Commit(const std::string& scratch, const std::string& path) {
    if (std::rename(scratch.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        std::remove(scratch.c_str());
        return reason;
    }
    return {};
}

} // namespace batch
