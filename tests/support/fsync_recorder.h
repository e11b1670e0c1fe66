// A stand-in for the flush call, given to what saves files through Call():
// it records every flush (the name of the flushed file or folder and the
// names in the watched folder at that moment) and can fail with an errno,
// for files and folders apart.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/durable_file.h"

struct SyncEvent {
    std::string path;                  // canonical name of what was flushed
    bool folder = false;
    std::vector<std::string> entries;  // sorted names in the watched folder
};

class FsyncRecorder {
public:
    // fileErrno / folderErrno: 0 flushes, otherwise the call fails with it;
    // failures: how many calls fail (-1: every one).
    explicit FsyncRecorder(std::filesystem::path watched, int fileErrno = 0, int folderErrno = 0,
                           int failures = -1);
    FsyncRecorder(const FsyncRecorder&) = delete;
    FsyncRecorder& operator=(const FsyncRecorder&) = delete;

    const std::vector<SyncEvent>& Events() const { return events_; }
    // The flush call that records; valid while the recorder lives.
    FsyncCall Call() {
        return [this](int fd) { return Flush(fd); };
    }

private:
    int Flush(int fd);

    std::filesystem::path watched_;
    int fileErrno_;
    int folderErrno_;
    int failures_;
    std::vector<SyncEvent> events_;
};
