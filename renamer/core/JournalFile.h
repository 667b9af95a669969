#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

// The batch journal's own file access, plain POSIX: a file that only grows, written through to
// the kernel on every append and to the disk on Sync, and held under an exclusive lock for as
// long as a batch works on it, so that a journal without its lock belongs to no live process.
// Errors are errno values (0 for success).
//
// A sync of a file on the disk where a batch renames also writes out the renames made since the
// last one, which takes milliseconds; SyncSoon has a thread of its own do it while the batch goes
// on. That thread only ever calls fdatasync on the file.
namespace morv::renamer {

class JournalFile {
  public:
    JournalFile() = default;
    ~JournalFile() { Close(); }
    JournalFile(const JournalFile&) = delete;
    JournalFile& operator=(const JournalFile&) = delete;

    // A new file (never an existing one), readable by its owner only, locked.
    int Create(const std::string& path);
    // An existing file, to append to; EWOULDBLOCK when another process holds its lock.
    int OpenLocked(const std::string& path);
    // Writes all of bytes at the end.
    int Append(std::string_view bytes);
    // The written bytes, and the file's size, on the disk.
    int Sync();
    // Starts a Sync on the file's own thread and returns at once.
    void SyncSoon();
    void Close();

  private:
    void Syncer();

    int fd_ = -1;
    std::thread syncer_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool wanted_ = false, closing_ = false;
};

// Puts the names of a folder (a file created or deleted in it) on the disk.
int SyncFolder(const std::string& folder);

// True when some process holds the lock of the file at path (a batch works on it now).
bool IsLockedByAnother(const std::string& path);

}  // namespace morv::renamer
