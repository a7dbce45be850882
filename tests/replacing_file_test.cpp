// Replacing a file as a careful desktop program does: only when complete, never a file
// the user may not write, through symbolic links, keeping hard links, owner and mode.
#include "bmp_builder.h"
#include "platform/replacing_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

namespace {

constexpr uid_t kNobody = 65534;

struct stat StatOf(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st;
}

size_t OpenDescriptors() {
    return EntriesIn("/proc/self/fd");
}

// Saves text to path as the save commands do; false when the target was refused or the
// commit failed.
bool Save(const std::string& path, const std::string& text, int* openError = nullptr) {
    CReplacingFile f;
    CFileException error;
    if (!f.Open(path.c_str(), CFile::modeCreate | CFile::modeReadWrite, &error)) {
        if (openError != nullptr)
            *openError = static_cast<int>(error.m_lOsError);
        return false;
    }
    try {
        f.Write(text.data(), static_cast<UINT>(text.size()));
    } catch (CFileException* e) {
        e->Delete();
        return false;
    }
    return f.Commit() != FALSE;
}

// Runs fn as an ordinary user (nobody) when the tests run as root; fn's EXPECTs are
// counted in the child and reported through its exit status.
void AsOrdinaryUser(const std::function<void()>& fn) {
    if (::geteuid() != 0) {
        fn();
        return;
    }
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(100);
        fn();
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the ordinary user's checks failed";
}

class ReplacingFile : public ::testing::Test {
protected:
    void SetUp() override { ::chmod(dir.Dir().c_str(), 0777); }
    std::string Make(const std::string& name, const std::string& text, mode_t mode) {
        std::string path = dir.Write(name, std::vector<BYTE>(text.begin(), text.end()));
        ::chmod(path.c_str(), mode);
        return path;
    }
    size_t Entries() { return EntriesIn(dir.Dir()); }
    TempDir dir;
};

TEST_F(ReplacingFile, ReplacesOnlyWhenCommittedAndLeavesNothingBehind) {
    std::string target = Make("t.bmp", "old", 0640);
    const size_t descriptors = OpenDescriptors();
    {
        CReplacingFile f;
        ASSERT_TRUE(f.Open(target.c_str(), CFile::modeCreate | CFile::modeReadWrite));
        f.Write("new", 3);
        EXPECT_EQ(ReadFileText(target), "old");
    } // abandoned
    EXPECT_EQ(ReadFileText(target), "old");
    // Replaced in one step: a reader that had the file open keeps reading the old one.
    const int reader = ::open(target.c_str(), O_RDONLY);
    EXPECT_TRUE(Save(target, "new"));
    EXPECT_EQ(ReadFileText(target), "new");
    char seen[4] = {};
    EXPECT_EQ(::pread(reader, seen, 3, 0), 3);
    ::close(reader);
    EXPECT_STREQ(seen, "old");
    EXPECT_EQ(StatOf(target).st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), 1u);
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(ReplacingFile, NewFileGetsTheModeTheUmaskAllows) {
    const mode_t previous = ::umask(022);
    EXPECT_TRUE(Save(dir.Path("new.bmp"), "x"));
    const mode_t after = ::umask(previous);
    EXPECT_EQ(after, 022u) << "the process's mask is left as it was";
    EXPECT_EQ(StatOf(dir.Path("new.bmp")).st_mode & 0777, 0644u);
}

TEST_F(ReplacingFile, AWritableFileInAFolderTheUserCannotAddToIsWrittenInPlace) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs a folder another user owns";
    const std::string sub = dir.Path("closed");
    ::mkdir(sub.c_str(), 0755); // root's: nobody may not add to it
    const std::string target = sub + "/mine.bmp";
    {
        std::vector<BYTE> old = {'o', 'l', 'd'};
        FILE* f = std::fopen(target.c_str(), "wb");
        std::fwrite(old.data(), 1, old.size(), f);
        std::fclose(f);
    }
    ::chown(target.c_str(), kNobody, kNobody);
    AsOrdinaryUser([&] { EXPECT_TRUE(Save(target, "new content")); });
    EXPECT_EQ(ReadFileText(target), "new content");
    EXPECT_EQ(EntriesIn(sub), 1u);
}

TEST_F(ReplacingFile, RefusesTargetsThatCannotBeWritten) {
    const struct {
        const char* name;
        std::function<std::string()> make;
        bool ordinaryUser;
        int error;
    } cases[] = {
        // clang-format off
        {"read-only file, even for root", [&] { return Make("ro.bmp", "keep", 0444); }, false, EACCES},
        {"another owner's file", [&] { return Make("root.bmp", "keep", 0644); }, true, EACCES},
        {"a folder", [&] { return dir.Dir(); }, false, EISDIR},
        {"a loop of links", [&] { ::symlink("b", dir.Path("a").c_str()); ::symlink("a", dir.Path("b").c_str()); return dir.Path("a"); }, false, ELOOP},
        {"a file in a missing folder", [&] { return dir.Path("no/such.bmp"); }, false, ENOENT},
        // Renamed over, a FIFO or a device node would stop being one: refused, for root too.
        {"a FIFO", [&] { ::mkfifo(dir.Path("fifo").c_str(), 0666); return dir.Path("fifo"); }, false, EINVAL},
        {"a device node", [&] { return ::mknod(dir.Path("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0 ? dir.Path("null") : std::string("/dev/null"); }, false, EINVAL},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.make();
        std::error_code ec;
        const std::string before =
            std::filesystem::is_regular_file(path, ec) ? ReadFileText(path) : "";
        const size_t entries = Entries();
        auto attempt = [&] {
            int error = 0;
            EXPECT_FALSE(Save(path, "new", &error));
            EXPECT_EQ(error, c.error) << std::strerror(error);
        };
        if (c.ordinaryUser)
            AsOrdinaryUser(attempt);
        else
            attempt();
        if (!before.empty()) {
            EXPECT_EQ(ReadFileText(path), before);
        }
        if (path.find("fifo") != std::string::npos || path.find("null") != std::string::npos) {
            EXPECT_FALSE(S_ISREG(StatOf(path).st_mode)) << "still what it was";
        }
        EXPECT_EQ(Entries(), entries);
    }
}

TEST_F(ReplacingFile, FollowsSymbolicLinks) {
    std::string real = Make("real.bmp", "old", 0644);
    ::symlink("real.bmp", dir.Path("link.bmp").c_str());
    ::symlink(dir.Path("link.bmp").c_str(), dir.Path("link2.bmp").c_str());
    ::symlink("fresh.bmp", dir.Path("dangling.bmp").c_str());
    EXPECT_TRUE(Save(dir.Path("link2.bmp"), "new"));
    EXPECT_TRUE(Save(dir.Path("dangling.bmp"), "made"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("link2.bmp")));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("dangling.bmp")));
    EXPECT_EQ(ReadFileText(real), "new");
    EXPECT_EQ(ReadFileText(dir.Path("fresh.bmp")), "made");
    // Links that lead round in a loop name no file: refused, and nothing is made.
    ::symlink("b.bmp", dir.Path("a.bmp").c_str());
    ::symlink("a.bmp", dir.Path("b.bmp").c_str());
    EXPECT_FALSE(Save(dir.Path("a.bmp"), "lost"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Path("a.bmp")));
    // A file never opened is not committed.
    EXPECT_FALSE(CReplacingFile().Commit());
}

TEST_F(ReplacingFile, KeepsHardLinksOwnerGroupAndMode) {
    std::string a = Make("a.bmp", "old content", 0640);
    ::link(a.c_str(), dir.Path("b.bmp").c_str());
    EXPECT_TRUE(Save(a, "new"));
    EXPECT_EQ(ReadFileText(dir.Path("b.bmp")), "new");
    const struct stat sa = StatOf(a);
    EXPECT_EQ(sa.st_ino, StatOf(dir.Path("b.bmp")).st_ino);
    EXPECT_EQ(sa.st_nlink, 2u);
    EXPECT_EQ(sa.st_mode & 0777, 0640u);
    EXPECT_EQ(Entries(), 2u);

    if (::geteuid() != 0)
        GTEST_SKIP() << "owners can be given only as root";
    // nobody's file in group root, writable by the group's members: an ordinary user
    // can't give a new file that group, so it is written in place.
    std::string shared = Make("shared.bmp", "old", 0666);
    ::chown(shared.c_str(), kNobody, 0);
    AsOrdinaryUser([&] { EXPECT_TRUE(Save(shared, "new, longer than before")); });
    EXPECT_EQ(ReadFileText(shared), "new, longer than before");
    EXPECT_EQ(StatOf(shared).st_uid, kNobody);
    EXPECT_EQ(StatOf(shared).st_gid, 0u);
    // Root gives the new file the old owner.
    std::string owned = Make("owned.bmp", "old", 0600);
    ::chown(owned.c_str(), kNobody, kNobody);
    EXPECT_TRUE(Save(owned, "new"));
    const struct stat ss = StatOf(owned);
    EXPECT_EQ(ss.st_uid, kNobody);
    EXPECT_EQ(ss.st_gid, kNobody);
    EXPECT_EQ(ss.st_mode & 0777, 0600u);
}

TEST_F(ReplacingFile, AFailedCommitLeavesTheOldContentWhole) {
    const std::string big(8192, 'n');
    std::string plain = Make("plain.bmp", "keep", 0644);
    std::string linked = Make("linked.bmp", "keep", 0644);
    ::link(linked.c_str(), dir.Path("other.bmp").c_str());
    const size_t descriptors = OpenDescriptors();
    // Staging fails on a full disk; so does copying into a linked file, after staging.
    WithFileSizeLimit(4096, [&] { EXPECT_FALSE(Save(plain, big)); });
    {
        CReplacingFile f;
        ASSERT_TRUE(f.Open(linked.c_str(), CFile::modeCreate | CFile::modeReadWrite));
        f.Write(big.data(), static_cast<UINT>(big.size()));
        WithFileSizeLimit(4096, [&] { EXPECT_FALSE(f.Commit()); });
    }
    EXPECT_EQ(ReadFileText(plain), "keep");
    EXPECT_EQ(ReadFileText(linked), "keep");
    EXPECT_EQ(ReadFileText(dir.Path("other.bmp")), "keep");
    EXPECT_EQ(Entries(), 3u);
    EXPECT_EQ(OpenDescriptors(), descriptors);
}

TEST_F(ReplacingFile, AFullDiskFailsAnInPlaceSaveIntoHolesBeforeAByteChanges) {
    // A small file system of its own, filled up; needs root (or the right to mount).
    TempDir disk;
    if (::system(("mount -t tmpfs -o size=256k tmpfs " + disk.Dir() + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const std::string target = disk.Path("sparse.bmp");
    {
        const int fd = ::open(target.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_EQ(::ftruncate(fd, 64 * 1024), 0); // all holes
        ::close(fd);
    }
    ::link(target.c_str(), disk.Path("other.bmp").c_str()); // so that it is written in place
    {
        const int fd = ::open(disk.Path("filler").c_str(), O_CREAT | O_WRONLY, 0644);
        const std::vector<char> block(4096, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        // Room for the staged copy and two pages more, not for the holes it fills.
        ASSERT_EQ(::ftruncate(fd, ::lseek(fd, 0, SEEK_END) - 40 * 1024), 0);
        ::close(fd);
    }
    EXPECT_FALSE(Save(target, std::string(32 * 1024, 'n')));
    EXPECT_EQ(ReadFileText(target), std::string(64 * 1024, '\0'));
    ::system(("umount " + disk.Dir()).c_str());
}

TEST_F(ReplacingFile, AnInterruptedSaveLeavesNoTemporaryFileAndTheTargetWhole) {
    const std::string target = Make("t.bmp", "keep", 0644);
    for (int sig : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            platform::RemoveTemporaryFilesOnSignals();
            Save(target, "keep"); // a save that ended frees its place in the list
            CReplacingFile f[8];  // as many as can be open at once
            for (CReplacingFile& each : f) {
                each.Open(target.c_str(), CFile::modeCreate | CFile::modeReadWrite);
                each.Write("new", 3);
            }
            ::raise(sig); // as the user's Ctrl+C in the middle of the save
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << sig;
        EXPECT_EQ(Entries(), 1u) << "only the target";
        EXPECT_EQ(ReadFileText(target), "keep");
    }
}

} // namespace

// Ctrl+C while a save is copied into a hard-linked file: whenever it comes, the file is
// its old content or its new, never old bytes grown by part of the new.
TEST_F(ReplacingFile, AnInterruptedSaveOntoAHardLinkLeavesItOldOrNew) {
    constexpr off_t kOld = 1 << 20, kNew = 24 << 20;
    const std::string target = dir.Path("linked.bmp");
    for (off_t grown : {kOld + 1, kNew / 3, 2 * kNew / 3, kNew - 1}) {
        SCOPED_TRACE(grown);
        std::filesystem::remove(target);
        std::filesystem::remove(dir.Path("other.bmp"));
        Make("linked.bmp", std::string(kOld, 'o'), 0644);
        ::link(target.c_str(), dir.Path("other.bmp").c_str());
        const pid_t child = ::fork();
        if (child == 0) {
            platform::RemoveTemporaryFilesOnSignals();
            Save(target, std::string(kNew, 'n'));
            ::_exit(0);
        }
        // Once the file has grown that far, or the save is done.
        int status = 0;
        while (StatOf(target).st_size < grown && ::waitpid(child, &status, WNOHANG) == 0)
            ::usleep(200);
        ::kill(child, SIGINT);
        ::waitpid(child, &status, 0);
        const std::string content = ReadFileText(target);
        EXPECT_TRUE(content == std::string(kOld, 'o') || content == std::string(kNew, 'n'))
            << content.size() << " bytes";
    }
}
