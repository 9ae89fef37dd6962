// A save replaces its target whole, keeps its mode and owner, and leaves nothing beside it:
// after a commit, after a drop, after a stop by signal; with an unnamed scratch file and with
// the named one used where the system has no unnamed files.
#include "batch/SaveFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using Scratch = batch::SaveFile::Scratch;

class SaveFileTest : public testing::TestWithParam<Scratch> {
protected:
    void SetUp() override {
        char name[] = "/tmp/qingfu-save-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& leaf) const { return (dir_ / leaf).string(); }
    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const fs::directory_entry& e : fs::directory_iterator(dir_))
            names.insert(e.path().filename().string());
        return names;
    }

    fs::path dir_;
};

TEST_P(SaveFileTest, ReplacesWholeKeepingModeAndOwner) {
    const std::string target = Path("payroll.csv");
    Put(target, "old");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    // Only root can give a file away; for anyone else the file stays theirs.
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(target.c_str(), 65534, 65534), 0);
    }

    tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(target, GetParam());
    ASSERT_TRUE(save) << save.error();
    EXPECT_EQ(save->Unnamed(), GetParam() == Scratch::Unnamed);
    ASSERT_TRUE(save->Write("new "));
    ASSERT_TRUE(save->Write("content"));
    EXPECT_EQ(Read(target), "old"); // nothing shows before the commit
    ASSERT_TRUE(save->Commit());

    EXPECT_EQ(Read(target), "new content");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    EXPECT_EQ(Entries(), std::set<std::string>{"payroll.csv"});
}

TEST_P(SaveFileTest, ADroppedSaveLeavesTheOldFileAndNothingElse) {
    const std::string target = Path("payroll.csv");
    Put(target, "old");
    {
        tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(target, GetParam());
        ASSERT_TRUE(save) << save.error();
        ASSERT_TRUE(save->Write("half of it"));
        // A library writing by name reaches the same file.
        std::ofstream(save->ScratchName(), std::ios::binary | std::ios::app) << " and more";
    }
    EXPECT_EQ(Read(target), "old");
    EXPECT_EQ(Entries(), std::set<std::string>{"payroll.csv"});
}

TEST_P(SaveFileTest, ALongNameNeedsNoRoomForASuffix) {
    // 250 bytes: a suffix of seven or more on the scratch file would pass the usual limit of 255.
    const std::string leaf = std::string(246, 'n') + ".csv";
    for (const char* text : {"first", "second"}) {
        tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(Path(leaf), GetParam());
        ASSERT_TRUE(save) << save.error();
        ASSERT_TRUE(save->Write(text));
        const tax::Status done = save->Commit();
        ASSERT_TRUE(done) << done.error();
        EXPECT_EQ(Read(Path(leaf)), text);
    }
    EXPECT_EQ(Entries(), std::set<std::string>{leaf});
}

TEST_P(SaveFileTest, ARunStoppedBySignalLeavesNothing) {
    const std::string target = Path("payroll.csv");
    Put(target, "old");
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // The child starts with the default actions, as a program run from a shell does.
            for (int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL);
            tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(target, GetParam());
            if (!save || !save->Write("half of it")) _exit(3);
            raise(signal);
            _exit(4); // not reached: the signal ends the run
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_EQ(Read(target), "old");
        EXPECT_EQ(Entries(), std::set<std::string>{"payroll.csv"}) << strsignal(signal);
    }
}

INSTANTIATE_TEST_SUITE_P(Scratch, SaveFileTest, testing::Values(Scratch::Unnamed, Scratch::Named),
                         [](const testing::TestParamInfo<Scratch>& info) {
                             return info.param == Scratch::Unnamed ? std::string("Unnamed") : std::string("Named");
                         });

// What cannot be replaced whole is refused before anything is written, saying what it is.
TEST(SaveFile, RefusesWhatIsNotARegularFile) {
    char name[] = "/tmp/qingfu-save-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    const fs::path dir = name;
    fs::create_symlink(dir / "nowhere", dir / "dangling");
    for (const fs::path& path : {dir, dir / "dangling", fs::path("/dev/null")}) {
        const tax::Result<batch::SaveFile> save = batch::SaveFile::Begin(path.string());
        ASSERT_FALSE(save) << path;
        EXPECT_NE(save.error().find("不是普通文件"), std::string::npos) << save.error();
    }
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    fs::remove_all(dir);
}

} // namespace
