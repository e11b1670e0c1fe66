// Flushing to the disk what a save moves into place by a rename: the new
// file before the rename, its folder after it, so that after a power loss
// the name holds the old file or the new one, never an empty or partial one.
#pragma once

#include <functional>
#include <string>

// The flush call: the system's fsync unless the owner of the files (the
// engine context, a settings file) is given another, as tests do to watch
// or fail it. An empty function stands for the system's.
using FsyncCall = std::function<int(int fd)>;

// Flushes an open file's data to the disk (retried on EINTR). False, with
// errno set, when it fails.
bool SyncFileDescriptor(int fd, const FsyncCall& call = {});

// Flushes the file's data to the disk. EWriteError when the file cannot be
// opened or flushed.
void SyncFile(const std::string& path, const FsyncCall& call = {});

// Flushes the folder holding path (the current folder for a bare name), so
// that a rename in it is on the disk. A folder that cannot be opened or a
// file system that does not flush folders is ignored; any other failure
// raises EWriteError.
void SyncFolderOf(const std::string& path, const FsyncCall& call = {});
