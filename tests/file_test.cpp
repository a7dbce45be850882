// Files over POSIX descriptors and mappings, and the progress of long work on them.
#include "bmp_builder.h"
#include "platform/allocator.h"
#include "platform/cfile.h"
#include "platform/kernel.h"
#include "platform/mapped_file.h"
#include "platform/progress.h"
#include "test_support.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

TEST(MappedFile, MapsRegularFilesOnlyAndLetsGoOfEverything) {
    TempDir dir;
    const size_t descriptors = EntriesIn("/proc/self/fd");
    const std::string path = dir.Write("f", {1, 2, 3});
    {
        const platform::MappedFile file(path);
        EXPECT_EQ(file.Error(), 0);
        EXPECT_EQ(std::vector<BYTE>(file.Bytes().begin(), file.Bytes().end()),
                  (std::vector<BYTE>{1, 2, 3}));
        EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptors) << "the mapping needs no descriptor";
        const platform::MappedFile empty(dir.Write("e", {}));
        EXPECT_EQ(empty.Error(), 0);
        EXPECT_TRUE(empty.Bytes().empty());
        EXPECT_EQ(platform::MappedFile(dir.Write("one", {7})).Bytes().size(), 1u);
    }
    EXPECT_EQ(EntriesIn("/proc/self/fd"), descriptors);
    EXPECT_EQ(ReadFileText("/proc/self/maps").find(path), std::string::npos) << "unmapped";
}

// The copy command locks its block once and frees it.
TEST(Kernel, GlobalLocksCountAndAFreedBlocksMemoryGoesBack) {
    HGLOBAL g = GlobalAlloc(GHND, platform::kLargeBlockThreshold);
    void* block = GlobalLock(g);
    GlobalLock(g);
    EXPECT_TRUE(GlobalUnlock(g)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(g));
    EXPECT_FALSE(GlobalUnlock(g)) << "not locked at all";
    EXPECT_EQ(GlobalFree(g), nullptr);
    unsigned char resident = 0;
    EXPECT_EQ(::mincore(block, 4096, &resident), -1) << "its memory went back";
}

// Large blocks come zeroed; one no machine has is refused, not handed out.
TEST(Allocator, LargeBlocksAreZeroedAndAnImpossibleOneIsRefused) {
    const std::size_t size = platform::kLargeBlockThreshold * 3 + 5;
    auto* p = static_cast<BYTE*>(platform::AfxAllocZeroed(size));
    EXPECT_EQ(std::count(p, p + size, 0), static_cast<std::ptrdiff_t>(size));
    platform::AfxFreeBlock(p);
    try {
        platform::AfxAllocZeroed(SIZE_MAX / 2);
        ADD_FAILURE() << "a block no machine has was handed out";
    } catch (CMemoryException* e) {
        e->Delete();
    }
}

using Progress = WithRecordedMessages;

// Only the outermost scope is shown, and it hears of each thousandth once.
TEST_F(Progress, TheOutermostScopeShowsEachThousandthOnce) {
    {
        const platform::ProgressScope outer("外", true);
        {
            const platform::ProgressScope inner("内", false);
            for (int i = 0; i <= 4000; ++i)
                platform::ProgressScope::Step(static_cast<std::uint64_t>(i), 4000);
        }
        EXPECT_EQ(recorder.progressTitles, std::vector<std::string>{"外"});
        EXPECT_EQ(recorder.progressCalls, 1001);
        EXPECT_EQ(recorder.lastProgress, 1.0);
        EXPECT_EQ(recorder.current, "外") << "the inner scope's end ends nothing";
    }
    EXPECT_EQ(recorder.current, "");
    platform::ProgressScope::Step(1, 2); // without a scope: nothing
    EXPECT_EQ(recorder.progressCalls, 1001);
    const platform::ProgressScope again("再", true);
    recorder.stopIn = "再";
    EXPECT_THROW(platform::ProgressScope::Step(1, 2), platform::WorkCancelled);
}

TEST(MappedFile, AFileShortenedUnderTheReaderReadsAsZerosAndSaysItChanged) {
    TempDir dir;
    const std::string path = dir.Write("big", std::vector<BYTE>(1 << 20, 0x5A));
    {
        // Cut before the read: every page past the new end is zeros, not a crash.
        const platform::MappedFile file(path);
        ASSERT_EQ(::truncate(path.c_str(), 4096), 0);
        const auto bytes = file.Bytes();
        EXPECT_EQ(bytes[100], 0x5A);
        EXPECT_EQ(bytes[(1 << 20) - 1], 0);
        EXPECT_EQ(bytes[8192], 0);
        EXPECT_TRUE(file.Changed());
        EXPECT_FALSE(platform::MappedFile(path).Changed());
    }
    // Cut from another thread while a reader walks the file, many times over: each walk
    // ends, and sees either the file or its zeros.
    for (int round = 0; round < 50; ++round) {
        dir.Write("big", std::vector<BYTE>(1 << 20, 1));
        const platform::MappedFile file(path);
        std::thread cutter([&] { ::truncate(path.c_str(), 4096 * (round % 7)); });
        std::uint64_t sum = 0;
        for (const BYTE b : file.Bytes())
            sum += b;
        cutter.join();
        EXPECT_TRUE(sum == file.Bytes().size() || file.Changed()) << round;
    }
}

TEST(CFile, AnOpenFilesStatusIsTheFilesReadNotWhatItsNameMeansLater) {
    TempDir dir;
    const std::string path = dir.Write("f", {1, 2, 3});
    CFile file(path.c_str(), CFile::modeRead);
    ASSERT_EQ(std::rename(dir.Write("g", std::vector<BYTE>(10)).c_str(), path.c_str()), 0);
    CFileStatus status;
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 3u);
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_TRUE(file.GetStatus(status));
    EXPECT_EQ(status.m_size, 3u) << "deleted, the file read still has its size";
}
