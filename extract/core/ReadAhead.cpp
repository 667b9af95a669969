#include "extract/core/ReadAhead.h"

#include <algorithm>

namespace morv {

FileReadAhead::FileReadAhead(const std::vector<std::string>& files, size_t bytesAhead)
    : FileReadAhead(files, Options{bytesAhead, 1, {}}) {}

FileReadAhead::FileReadAhead(const std::vector<std::string>& files, Options options)
    : files_(files), options_(std::move(options)) {
    const size_t threads = std::min(std::max<size_t>(options_.threads, 1), files_.size());
    for (size_t thread = 0; thread < threads; ++thread)
        readers_.emplace_back([this, thread] { ReadAll(thread); });
}

FileReadAhead::~FileReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        stopWork_ = true;
    }
    slotFree_.notify_all();
    for (std::thread& reader : readers_)
        reader.join();
}

// The slot is free once the caller has moved past the file it held; the files read ahead stay
// within a byte budget, so a list of large files keeps memory flat. The file the caller waits
// for is read whatever the budget: with several readers, the bytes held may be those of the
// files after it.
bool FileReadAhead::MayRead(size_t i) const {
    return i < handedBack_ + kSlots && (heldBytes_ < options_.bytesAhead || i == handedBack_);
}

// A reader that had to wait goes on once it can read a few files in a row (or the caller waits
// for its file): a wake-up for every file would cost both threads a trip through the kernel
// each.
bool FileReadAhead::Resumes(size_t i) const {
    const size_t row = std::min(i + kSlots / 2, files_.size());
    return stopping_ || (MayRead(i) && (i == handedBack_ || row <= handedBack_ + kSlots));
}

void FileReadAhead::ReadAll(size_t thread) {
    StopWatch stop(stopWork_);
    while (true) {
        size_t i = 0;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (stopping_ || taken_ == files_.size()) return;
            i = taken_++;
            if (!MayRead(i)) {
                waiting_.push_back(i);
                do {
                    // Whatever is ready goes to the caller before this side sleeps.
                    if (readyCount_ > 0) fileReady_.notify_one();
                    slotFree_.wait(lock);
                } while (!Resumes(i));
                waiting_.erase(std::find(waiting_.begin(), waiting_.end(), i));
            }
            if (stopping_) return;
        }
        Slot& slot = slots_[i % kSlots];
        File file;
        file.read = ReadFileIfExists(files_[i], slot.buffer, file.exists, &file.opened);
        file.text = slot.buffer.view();
        if (options_.prepare) options_.prepare(i, file, thread, stop);
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            slot.file = std::move(file);
            slot.ready = true;
            ++readyCount_;
            heldBytes_ += slot.file.text.size();
            // A waiting caller is woken once a few files are ready (or every file is taken on),
            // not for every file, for the same reason.
            wake = readyCount_ >= kSlots / 2 || taken_ == files_.size();
        }
        if (wake) fileReady_.notify_one();
    }
}

const FileReadAhead::File& FileReadAhead::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& slot = slots_[next_ % kSlots];
    // Hand back the slot of the file before, so the readers can go on.
    if (next_ > 0) {
        Slot& done = slots_[(next_ - 1) % kSlots];
        done.ready = false;
        --readyCount_;
        heldBytes_ -= done.file.text.size();
        done.file = File{};
        // A buffer that grew for a large file is not kept for the small ones after it: the
        // buffers kept stay within twice the bytes ahead.
        if (done.buffer.capacity() > options_.bytesAhead / kSlots * 2) done.buffer = FileBuffer{};
        handedBack_ = next_;
    }
    // The readers that wait are woken when the first of them can go on, and always before
    // this side waits for one of them.
    if (!waiting_.empty() &&
        (!slot.ready || Resumes(*std::min_element(waiting_.begin(), waiting_.end()))))
        slotFree_.notify_all();
    fileReady_.wait(lock, [&] { return slot.ready; });
    ++next_;
    return slot.file;
}

}  // namespace morv
