// CFile over POSIX descriptors.
#include "bmp_builder.h"
#include "platform/cfile.h"

#include <gtest/gtest.h>

TEST(CFile, ReadSeekAndLength) {
    TempDir dir;
    std::string path = dir.Write("f", {1, 2, 3, 4, 5});
    CFile f;
    ASSERT_TRUE(f.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite));
    EXPECT_EQ(f.GetLength(), 5u);
    BYTE buf[8] = {};
    EXPECT_EQ(f.Read(buf, 2), 2u);
    EXPECT_EQ(buf[1], 2);
    EXPECT_EQ(f.Seek(-1, CFile::end), 4u);
    EXPECT_EQ(f.Read(buf, 8), 1u); // short at the end, not an error
    EXPECT_EQ(buf[0], 5);
    EXPECT_EQ(f.Read(buf, 8), 0u);
    EXPECT_EQ(f.GetFilePath(), path.c_str());
}

TEST(CFile, OpenFailuresAreReportedNotThrown) {
    TempDir dir;
    CFile f;
    CFileException e;
    EXPECT_FALSE(f.Open(dir.Path("missing").c_str(), CFile::modeRead, &e));
    EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(f.Open(dir.Dir().c_str(), CFile::modeRead, &e)); // a directory is no file
    EXPECT_EQ(e.m_cause, CFileException::accessDenied);
    try {
        CFile thrown(dir.Path("missing").c_str(), CFile::modeRead);
        FAIL();
    } catch (CFileException* ex) {
        EXPECT_EQ(ex->m_cause, CFileException::fileNotFound);
        ex->Delete();
    }
}

TEST(CFile, WriteCreatesAndTruncates) {
    TempDir dir;
    std::string path = dir.Write("f", {9, 9, 9, 9});
    {
        CFile f(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        f.Write("ab", 2);
        f.Close();
    }
    EXPECT_EQ(ReadFileBytes(path), (std::vector<BYTE>{'a', 'b'}));
    CFile r(path.c_str(), CFile::modeRead);
    try {
        r.Write("x", 1);
        ADD_FAILURE() << "writing a read-only file succeeded";
    } catch (CFileException* e) {
        e->Delete();
    }
    CFileStatus st;
    EXPECT_TRUE(r.GetStatus(st));
    EXPECT_EQ(st.m_size, 2u);
}
