#pragma once

#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "extract/core/Report.h"
#include "helpers/core/Result.h"

namespace morv {

// Reads the files of a list in order on a thread of its own (or several), a few files ahead of
// the caller, so that reading overlaps the scans. What is read ahead stays within kSlots files
// and, beyond the files being read and the one being scanned, bytesAhead bytes, so memory stays
// flat however long the list and however large its files. The caller sees
// exactly what FileExists and ReadWholeFile would have told it at the moment the file was read.
class FileReadAhead {
  public:
    struct File {
        bool exists = false;  // FileExists
        Status read = Ok();   // ReadWholeFile's result when the file exists
        std::string_view text;
        struct stat opened {};  // what the file was when it was opened, when it was read
    };

    static constexpr size_t kSlots = 32;
    static constexpr size_t kDefaultBytesAhead = size_t(16) << 20;

    // Work done for each file on the reader thread that read it, beside the caller: index is the
    // file's place in the list, thread the reader's number (below Options::threads), so that the
    // work can keep buffers per thread. What it makes of the file is the caller's to keep by
    // index % kSlots: the caller may use it once Next has handed out the file, until the
    // following call of Next. stop tells a long piece of work that the reader is being stopped.
    using Prepare =
        std::function<void(size_t index, const File& file, size_t thread, ProgressObserver& stop)>;

    struct Options {
        size_t bytesAhead = kDefaultBytesAhead;
        size_t threads = 1;  // readers, each reading the next file not yet taken
        Prepare prepare;
    };

    explicit FileReadAhead(const std::vector<std::string>& files,
                           size_t bytesAhead = kDefaultBytesAhead);
    FileReadAhead(const std::vector<std::string>& files, Options options);
    // Stops the readers after the files they are reading.
    ~FileReadAhead();
    FileReadAhead(const FileReadAhead&) = delete;
    FileReadAhead& operator=(const FileReadAhead&) = delete;

    // The next file of the list; waits until it has been read (and prepared). Its text stays
    // valid until the following call. Must not be called more often than the list has files.
    const File& Next();

  private:
    struct Slot {
        File file;
        FileBuffer buffer;
        bool ready = false;  // filled by a reader, not yet handed back by the caller
    };
    // What a reader's prepare work sees: the reader is being stopped.
    class StopWatch : public ProgressObserver {
      public:
        explicit StopWatch(const std::atomic<bool>& stopping) : stopping_(stopping) {}
        bool ShouldStop() override { return stopping_.load(std::memory_order_relaxed); }

      private:
        const std::atomic<bool>& stopping_;
    };

    void ReadAll(size_t thread);
    bool MayRead(size_t i) const;
    bool Resumes(size_t i) const;

    const std::vector<std::string>& files_;
    const Options options_;
    Slot slots_[kSlots];
    size_t taken_ = 0;       // files a reader has taken on
    size_t handedBack_ = 0;  // files the caller is done with: the caller's next file is this one
    size_t next_ = 0;        // the caller's next file
    size_t readyCount_ = 0;  // files read and not yet handed back
    size_t heldBytes_ = 0;   // their size
    std::vector<size_t> waiting_;  // the files whose readers wait for room
    bool stopping_ = false;
    std::atomic<bool> stopWork_{false};  // stopping_, for the prepare work
    std::mutex mutex_;
    std::condition_variable slotFree_, fileReady_;
    std::vector<std::thread> readers_;
};

}  // namespace morv
