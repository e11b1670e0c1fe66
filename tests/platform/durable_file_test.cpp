#include "platform/durable_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/errors.h"
#include "support/fsync_recorder.h"

namespace fs = std::filesystem;

namespace {

class DurableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "merlox_sync_XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir_ = fs::canonical(tmpl);
        file_ = (dir_ / "a.MDF").string();
        std::ofstream(file_) << "x";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
    std::string file_;
};

TEST_F(DurableFileTest, FlushesTheFileAndItsFolder) {
    FsyncRecorder recorder(dir_);
    SyncFile(file_, recorder.Call());
    SyncFolderOf(file_, recorder.Call());
    ASSERT_EQ(recorder.Events().size(), 2u);
    EXPECT_EQ(recorder.Events()[0].path, file_);
    EXPECT_FALSE(recorder.Events()[0].folder);
    EXPECT_EQ(recorder.Events()[1].path, dir_.string());
    EXPECT_TRUE(recorder.Events()[1].folder);
}

TEST_F(DurableFileTest, BareNameFlushesTheCurrentFolder) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    FsyncRecorder recorder(dir_);
    SyncFolderOf("a.MDF", recorder.Call());
    fs::current_path(before);
    ASSERT_EQ(recorder.Events().size(), 1u);
    EXPECT_EQ(recorder.Events()[0].path, dir_.string());
}

TEST_F(DurableFileTest, MissingFileIsAWriteError) {
    EXPECT_THROW(SyncFile((dir_ / "none").string()), EWriteError);
}

// A failed flush of the file is always a write error; one of the folder only
// when the file system does not simply refuse to flush folders.
TEST_F(DurableFileTest, FailedFlushes) {
    struct Case {
        int err;
        bool folderFails;
    };
    const Case cases[] = {{EIO, true}, {ENOSPC, true}, {EINVAL, false}, {EROFS, false}, {ENOTSUP, false}};
    for (const Case& c : cases) {
        FsyncRecorder recorder(dir_, c.err, c.err);
        EXPECT_THROW(SyncFile(file_, recorder.Call()), EWriteError) << c.err;
        if (c.folderFails)
            EXPECT_THROW(SyncFolderOf(file_, recorder.Call()), EWriteError) << c.err;
        else
            EXPECT_NO_THROW(SyncFolderOf(file_, recorder.Call())) << c.err;
    }
}

TEST_F(DurableFileTest, InterruptedFlushIsRetried) {
    FsyncRecorder recorder(dir_, EINTR, 0, 1);
    EXPECT_NO_THROW(SyncFile(file_, recorder.Call()));
    EXPECT_EQ(recorder.Events().size(), 2u);
}

}  // namespace
