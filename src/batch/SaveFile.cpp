#include "batch/SaveFile.h"

#include "batch/FileErrors.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace batch {

namespace {

// ---- Named scratch files, removed when the run is stopped ----

// A signal handler may only read plain memory and make async-signal-safe calls, so the names
// wait in fixed slots: 0 free, 1 being filled, 2 to remove.
struct Slot {
    std::atomic<int> state{0};
    int dir = -1;
    char leaf[64] = {};
};
Slot gSlots[32];

extern "C" void RemoveScratchAndStop(int signal) {
    for (Slot& s : gSlots)
        if (s.state.load() == 2) unlinkat(s.dir, s.leaf, 0);
    // The handler was reset to the default on entry; the signal, blocked until this returns,
    // then ends the process as it would have without us.
    raise(signal);
}

// Asked at each named scratch, so a program that put the default back is watched again.
void WatchStopSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A handler of the program's own, or an ignored signal, is left alone.
        if (sigaction(signal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) continue;
        struct sigaction act {};
        act.sa_handler = RemoveScratchAndStop;
        act.sa_flags = SA_RESETHAND;
        sigemptyset(&act.sa_mask);
        sigaction(signal, &act, nullptr);
    }
}

// The slot holding `leaf` of `dir`, or -1 when all are taken (the scratch is then only removed
// by the program itself).
int Remember(int dir, const std::string& leaf) {
    WatchStopSignals();
    for (int i = 0; i < static_cast<int>(std::size(gSlots)); ++i) {
        int free = 0;
        if (!gSlots[i].state.compare_exchange_strong(free, 1)) continue;
        gSlots[i].dir = dir;
        std::snprintf(gSlots[i].leaf, sizeof gSlots[i].leaf, "%s", leaf.c_str());
        gSlots[i].state.store(2);
        return i;
    }
    return -1;
}

void Forget(int& slot) {
    if (slot >= 0) gSlots[slot].state.store(0);
    slot = -1;
}

// A short hidden name no one can guess, whatever the length of the target's name.
std::string RandomLeaf() {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static std::mutex mutex;
    static std::mt19937_64 random{std::random_device{}()};
    std::lock_guard lock(mutex);
    std::string leaf = ".qingfu-";
    for (int i = 0; i < 12; ++i)
        leaf += kLetters[random() % (sizeof kLetters - 1)];
    return leaf + ".part";
}

// O_TMPFILE is refused this way by a kernel or a file system without unnamed files.
bool NoUnnamedFiles(int error) {
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL || error == ENOTSUP;
}

std::string ProcName(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

} // namespace

std::optional<std::string> SaveTarget(const std::string& path) {
    const QFileInfo chosen(QFile::decodeName(path.c_str()));
    if (!chosen.isSymLink() && !chosen.exists()) return path;
    const QString resolved = chosen.canonicalFilePath();
    if (resolved.isEmpty() || !QFileInfo(resolved).isFile()) return std::nullopt;
    return QFile::encodeName(resolved).toStdString();
}

tax::Failure SaveFile::Failed(int error) {
    errno_ = error;
    const QString target = QFile::decodeName(target_.c_str());
    return tax::Fail(
        files::SaveErrorText(target, error, QString::fromLocal8Bit(std::strerror(error))).toStdString());
}

tax::Result<SaveFile> SaveFile::Begin(const std::string& path, Scratch scratch, Links links) {
    std::optional<std::string> target = path;
    struct stat here {};
    if (links == Links::kFollow) target = SaveTarget(path);
    else if (lstat(path.c_str(), &here) == 0 && !S_ISREG(here.st_mode) && !S_ISLNK(here.st_mode)) target.reset();
    if (!target) return tax::Fail(files::NotRegularFileText(QFile::decodeName(path.c_str())).toStdString());
    SaveFile save;
    save.target_ = *target;
    const size_t slash = target->rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target->substr(0, slash);
    save.leaf_ = slash == std::string::npos ? *target : target->substr(slash + 1);
    save.dir_ = open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (save.dir_ < 0) return save.Failed(errno);

    struct stat old {};
    // A link replaced is no file whose mode or owner the new one should take.
    if (fstatat(save.dir_, save.leaf_.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISLNK(old.st_mode)) {
        save.replaces_ = true;
        save.mode_ = old.st_mode & 07777;
        save.uid_ = old.st_uid;
        save.gid_ = old.st_gid;
    }
    // A new file gets the mode any new file gets; a replacement stays private until it has the
    // mode of the file it replaces.
    const mode_t mode = save.replaces_ ? 0600 : 0666;

    if (scratch == Scratch::Unnamed) {
        save.fd_ = openat(save.dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        // Libraries open it by its name under /proc, so that must be there too.
        if (save.fd_ >= 0 && access(ProcName(save.fd_).c_str(), W_OK) == 0) {
            save.unnamed_ = true;
            save.scratchName_ = ProcName(save.fd_);
            return save;
        }
        const int error = errno;
        if (save.fd_ >= 0) {
            close(save.fd_);
            save.fd_ = -1;
        } else if (!NoUnnamedFiles(error)) {
            return save.Failed(error);
        }
    }
    for (int attempt = 0; attempt < 100 && save.fd_ < 0; ++attempt) {
        const std::string leaf = RandomLeaf();
        save.fd_ = openat(save.dir_, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (save.fd_ < 0 && errno != EEXIST) return save.Failed(errno);
        if (save.fd_ >= 0) {
            save.scratchLeaf_ = leaf;
            save.slot_ = Remember(save.dir_, leaf);
        }
    }
    if (save.fd_ < 0) return save.Failed(EEXIST);
    save.scratchName_ = dir + "/" + save.scratchLeaf_;
    return save;
}

SaveFile::SaveFile(SaveFile&& other) noexcept {
    *this = std::move(other);
}

SaveFile& SaveFile::operator=(SaveFile&& other) noexcept {
    if (this == &other) return *this;
    Drop();
    target_ = std::move(other.target_);
    leaf_ = std::move(other.leaf_);
    scratchName_ = std::move(other.scratchName_);
    scratchLeaf_ = std::move(other.scratchLeaf_);
    dir_ = std::exchange(other.dir_, -1);
    fd_ = std::exchange(other.fd_, -1);
    slot_ = std::exchange(other.slot_, -1);
    unnamed_ = other.unnamed_;
    replaces_ = other.replaces_;
    mode_ = other.mode_;
    uid_ = other.uid_;
    gid_ = other.gid_;
    errno_ = other.errno_;
    return *this;
}

SaveFile::~SaveFile() {
    Drop();
}

void SaveFile::Drop() {
    if (!scratchLeaf_.empty() && dir_ >= 0) unlinkat(dir_, scratchLeaf_.c_str(), 0);
    scratchLeaf_.clear();
    Forget(slot_);
    if (fd_ >= 0) close(fd_);
    if (dir_ >= 0) close(dir_);
    fd_ = dir_ = -1;
}

tax::Status SaveFile::Rewind() {
    if (fd_ < 0) return Failed(EBADF);
    if (ftruncate(fd_, 0) != 0 || lseek(fd_, 0, SEEK_SET) < 0) return Failed(errno);
    return {};
}

tax::Status SaveFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Failed(n < 0 ? errno : ENOSPC);
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return {};
}

tax::Status SaveFile::Commit() {
    if (fd_ < 0) return Failed(EBADF);
    if (fsync(fd_) != 0 && errno != EINVAL) return Failed(errno);
    if (replaces_) {
        struct stat own {};
        // Only a privileged process can give a file away; the group alone may still be allowed.
        if (fstat(fd_, &own) == 0 && (own.st_uid != uid_ || own.st_gid != gid_) && fchown(fd_, uid_, gid_) != 0)
            (void)!fchown(fd_, static_cast<uid_t>(-1), gid_);
        // After the owner: a change of owner clears the set-id bits.
        if (fchmod(fd_, mode_) != 0) return Failed(errno);
    }
    if (unnamed_) {
        // An unnamed file cannot replace one in place: it gets a hidden name, then the rename.
        const std::string from = ProcName(fd_);
        for (int attempt = 0; attempt < 100 && scratchLeaf_.empty(); ++attempt) {
            const std::string leaf = RandomLeaf();
            if (linkat(AT_FDCWD, from.c_str(), dir_, leaf.c_str(), AT_SYMLINK_FOLLOW) == 0) {
                scratchLeaf_ = leaf;
                slot_ = Remember(dir_, leaf);
            } else if (errno != EEXIST) {
                return Failed(errno);
            }
        }
        if (scratchLeaf_.empty()) return Failed(EEXIST);
    }
    if (renameat(dir_, scratchLeaf_.c_str(), dir_, leaf_.c_str()) != 0) {
        const tax::Failure failure = Failed(errno);
        Drop();
        return failure;
    }
    scratchLeaf_.clear();
    Drop();
    return {};
}

tax::Status SaveWhole(const std::string& path, std::string_view bytes) {
    tax::Result<SaveFile> save = SaveFile::Begin(path);
    if (!save) return save.failure();
    if (tax::Status written = save->Write(bytes); !written) return written;
    return save->Commit();
}

} // namespace batch
