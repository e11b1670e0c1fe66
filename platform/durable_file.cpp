#include "platform/durable_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/errors.h"

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

bool SyncFileDescriptor(int fd, const FsyncCall& call) {
    for (int rounds = 0; rounds < 1000; ++rounds) {
        if ((call ? call(fd) : ::fsync(fd)) == 0) return true;
        if (errno != EINTR) return false;
    }
    return false;
}

void SyncFile(const std::string& path, const FsyncCall& call) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0 || !SyncFileDescriptor(fd.Get(), call))
        throw EWriteError("ファイルをディスクに書き込めません: " + path + ": " + std::strerror(errno));
}

void SyncFolderOf(const std::string& path, const FsyncCall& call) {
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0) return;
    if (SyncFileDescriptor(fd.Get(), call)) return;
    // File systems that do not flush folders say so with these.
    if (errno == EINVAL || errno == ENOTSUP || errno == EOPNOTSUPP || errno == EROFS || errno == EBADF) return;
    throw EWriteError("フォルダをディスクに書き込めません: " + folder + ": " + std::strerror(errno));
}

