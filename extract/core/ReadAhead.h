#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "extract/core/Report.h"
#include "helpers/core/Result.h"

namespace morv {

// Reads the files of a list in order on a thread of its own, a few files ahead of the caller, so
// that reading overlaps the scans. What is read ahead stays within kSlots files and, beyond the
// file being read and the one being scanned, bytesAhead bytes, so memory stays flat however
// long the list and however large its files. The caller sees
// exactly what FileExists and ReadWholeFile would have told it at the moment the file was read.
class FileReadAhead {
  public:
    struct File {
        bool exists = false;  // FileExists
        Status read = Ok();   // ReadWholeFile's result when the file exists
        std::string_view text;
    };

    static constexpr size_t kDefaultBytesAhead = size_t(16) << 20;

    explicit FileReadAhead(const std::vector<std::string>& files,
                           size_t bytesAhead = kDefaultBytesAhead);
    // Stops the reader after the file it is reading.
    ~FileReadAhead();
    FileReadAhead(const FileReadAhead&) = delete;
    FileReadAhead& operator=(const FileReadAhead&) = delete;

    // The next file of the list; waits until it has been read. Its text stays valid until the
    // following call. Must not be called more often than the list has files.
    const File& Next();

  private:
    struct Slot {
        File file;
        FileBuffer buffer;
        bool ready = false;  // filled by the reader, not yet handed back by the caller
    };

    void ReadAll();

    static constexpr size_t kSlots = 8;

    const std::vector<std::string>& files_;
    const size_t bytesAhead_;
    Slot slots_[kSlots];
    size_t next_ = 0;        // the caller's next file
    size_t readyCount_ = 0;  // files read and not yet handed back
    size_t heldBytes_ = 0;   // their size
    bool stopping_ = false;
    std::mutex mutex_;
    std::condition_variable slotFree_, fileReady_;
    std::thread reader_;
};

}  // namespace morv
