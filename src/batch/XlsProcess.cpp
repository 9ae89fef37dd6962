// .xls read in the helper process qingfu-xls: the program starts it for the sheet names and again
// for one sheet's rows, and reads what it writes to a pipe (the helper's side: XlsServe.cpp). The helper's memory and time are
// bounded (see XlsHelperMain.cpp); when it dies, the file is refused with a message.
#include "batch/WorkbookRead.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace batch::book {

namespace {

constexpr std::uint32_t kMaxText = 64u << 20;

// ---- The program's side.

std::string HelperPath() {
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return {};
    std::string dir(exe, static_cast<size_t>(n));
    dir.erase(dir.rfind('/') + 1);
    // Installed beside the plugins; in the build tree beside the programs, or one level up
    // from the tests.
    for (const std::string& candidate : {dir + QINGFU_PLUGIN_FROM_BIN "/qingfu-xls", dir + "qingfu-xls", dir + "../qingfu-xls"})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    return {};
}

tax::Failure Died() {
    return tax::Fail("无法读取 .xls 工作簿：文件已损坏，或读取它所需的内存或时间超出了限制，已拒绝读取");
}

class Helper {
public:
    ~Helper() {
        if (fd_ >= 0) ::close(fd_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {}
        }
    }

    tax::Status Start(const std::string& path, int index) {
        const std::string helper = HelperPath();
        if (helper.empty()) return tax::Fail("找不到读取 .xls 工作簿的组件（qingfu-xls），请重新安装本程序");
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return tax::Fail("无法启动读取 .xls 工作簿的组件");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const std::string which = std::to_string(index);
        char* argv[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(path.c_str()),
                        const_cast<char*>(which.c_str()), nullptr};
        const int spawned = posix_spawn(&pid_, helper.c_str(), &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        fd_ = fds[0];
        if (spawned != 0) {
            pid_ = 0;
            return tax::Fail("无法启动读取 .xls 工作簿的组件");
        }
        return {};
    }

    bool Bytes(void* out, size_t size) {
        char* to = static_cast<char*>(out);
        while (size > 0) {
            if (begin_ == end_) {
                const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
                if (n < 0 && errno == EINTR) continue;
                if (n <= 0) return false;
                begin_ = 0;
                end_ = static_cast<size_t>(n);
            }
            const size_t take = std::min(size, end_ - begin_);
            std::memcpy(to, buffer_ + begin_, take);
            begin_ += take;
            to += take;
            size -= take;
        }
        return true;
    }
    bool Number(std::uint64_t& n) { return Bytes(&n, sizeof n); }
    bool Text(std::string& s) {
        std::uint64_t size = 0;
        if (!Number(size) || size > kMaxText) return false;
        s.resize(static_cast<size_t>(size));
        return Bytes(s.data(), s.size());
    }
    // The helper's message when it sent one ('F' already read).
    tax::Failure Failure() {
        std::string message;
        return Text(message) ? tax::Fail(message) : Died();
    }

private:
    pid_t pid_ = 0;
    int fd_ = -1;
    char buffer_[64 * 1024];
    size_t begin_ = 0, end_ = 0;
};

class XlsSheetOut final : public SheetSource {
public:
    explicit XlsSheetOut(std::unique_ptr<Helper> helper) : helper_(std::move(helper)) {}

    tax::Result<bool> Next(std::vector<std::string_view>& cells, long long& row) override {
        if (done_) return false;
        char letter = 0;
        if (!helper_->Bytes(&letter, 1)) return Died();
        if (letter == 'E') {
            done_ = true;
            permille_ = 1000;
            return false;
        }
        if (letter == 'F') return helper_->Failure();
        if (letter == 'H') {
            std::uint64_t count = 0, c = 0;
            if (!helper_->Number(count) || count > 256) return Died();
            hiddenColumns_.assign(256, false);
            for (std::uint64_t i = 0; i < count; ++i) {
                if (!helper_->Number(c) || c >= 256) return Died();
                hiddenColumns_[static_cast<size_t>(c)] = true;
            }
            if (!helper_->Bytes(&letter, 1)) return Died();
        }
        rowHidden_ = letter == 'r';
        std::uint64_t number = 0, permille = 0, count = 0;
        if ((letter != 'R' && letter != 'r') || !helper_->Number(number) || !helper_->Number(permille) || !helper_->Number(count) ||
            count > static_cast<std::uint64_t>(kMaxColumns))
            return Died();
        if (texts_.size() < count) texts_.resize(static_cast<size_t>(count));
        for (size_t i = 0; i < count; ++i)
            if (!helper_->Text(texts_[i])) return Died();
        cells.assign(texts_.begin(), texts_.begin() + static_cast<std::ptrdiff_t>(count));
        row = static_cast<long long>(number);
        permille_ = static_cast<int>(std::min<std::uint64_t>(permille, 999));
        return true;
    }

    int Permille() const override { return permille_; }
    bool RowHidden() const override { return rowHidden_; }
    bool ColumnHidden(size_t c) const override { return c < hiddenColumns_.size() && hiddenColumns_[c]; }

private:
    std::unique_ptr<Helper> helper_;
    std::vector<bool> hiddenColumns_;
    bool rowHidden_ = false;
    std::vector<std::string> texts_;
    int permille_ = 0;
    bool done_ = false;
};

class XlsBookOut final : public Workbook {
public:
    XlsBookOut(std::string path, std::vector<std::string> names, std::vector<SheetKind> kinds)
        : path_(std::move(path)), names_(std::move(names)), kinds_(std::move(kinds)) {}

    const std::vector<std::string>& SheetNames() const override { return names_; }
    SheetKind KindOf(int index) const override {
        return index >= 0 && static_cast<size_t>(index) < kinds_.size() ? kinds_[static_cast<size_t>(index)] : SheetKind::kSheet;
    }

    tax::Result<std::unique_ptr<SheetSource>> OpenSheet(int index) override {
        if (index < 0 || static_cast<size_t>(index) >= names_.size())
            return tax::Fail("工作簿中没有第 " + std::to_string(index + 1) + " 个工作表");
        auto helper = std::make_unique<Helper>();
        if (tax::Status started = helper->Start(path_, index); !started) return started.failure();
        return std::unique_ptr<SheetSource>(std::make_unique<XlsSheetOut>(std::move(helper)));
    }

private:
    std::string path_;
    std::vector<std::string> names_;
    std::vector<SheetKind> kinds_;
};

} // namespace

tax::Result<std::unique_ptr<Workbook>> OpenXls(const std::string& path) {
    Helper helper;
    if (tax::Status started = helper.Start(path, -1); !started) return started.failure();
    char letter = 0;
    if (!helper.Bytes(&letter, 1)) return Died();
    if (letter == 'F') return helper.Failure();
    std::uint64_t count = 0;
    if (letter != 'N' || !helper.Number(count) || count > 65535) return Died();
    std::vector<std::string> names(static_cast<size_t>(count));
    std::vector<SheetKind> kinds(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        char kind = 0;
        if (!helper.Text(names[i]) || !helper.Bytes(&kind, 1) || kind > static_cast<char>(SheetKind::kChart)) return Died();
        kinds[i] = static_cast<SheetKind>(kind);
    }
    return std::unique_ptr<Workbook>(std::make_unique<XlsBookOut>(path, std::move(names), std::move(kinds)));
}

} // namespace batch::book
