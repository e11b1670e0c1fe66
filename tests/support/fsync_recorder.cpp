#include "support/fsync_recorder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace fs = std::filesystem;

FsyncRecorder::FsyncRecorder(fs::path watched, int fileErrno, int folderErrno, int failures)
    : watched_(std::move(watched)), fileErrno_(fileErrno), folderErrno_(folderErrno), failures_(failures) {}

int FsyncRecorder::Flush(int fd) {
    FsyncRecorder& r = *this;
    SyncEvent e;
    std::error_code ec;
    e.path = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec).string();
    struct stat st {};
    e.folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    for (const auto& entry : fs::directory_iterator(r.watched_, ec)) e.entries.push_back(entry.path().filename().string());
    std::sort(e.entries.begin(), e.entries.end());
    r.events_.push_back(std::move(e));
    const int err = r.events_.back().folder ? r.folderErrno_ : r.fileErrno_;
    if (err != 0 && r.failures_ != 0) {
        if (r.failures_ > 0) --r.failures_;
        errno = err;
        return -1;
    }
    return ::fsync(fd);
}
