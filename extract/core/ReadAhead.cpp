#include "extract/core/ReadAhead.h"

namespace morv {

FileReadAhead::FileReadAhead(const std::vector<std::string>& files, size_t bytesAhead)
    : files_(files), bytesAhead_(bytesAhead) {
    if (!files_.empty()) reader_ = std::thread([this] { ReadAll(); });
}

FileReadAhead::~FileReadAhead() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    slotFree_.notify_all();
    if (reader_.joinable()) reader_.join();
}

void FileReadAhead::ReadAll() {
    for (size_t i = 0; i < files_.size(); ++i) {
        Slot& slot = slots_[i % kSlots];
        {
            // The slot is free once the caller has moved past the file it held; the files read
            // ahead stay within a byte budget, so a list of large files keeps memory flat.
            std::unique_lock<std::mutex> lock(mutex_);
            while (!stopping_ && (slot.ready || heldBytes_ >= bytesAhead_)) {
                // Whatever is ready goes to the caller before this side sleeps.
                if (readyCount_ > 0) fileReady_.notify_one();
                slotFree_.wait(lock);
            }
            if (stopping_) return;
        }
        File file;
        file.read = ReadFileIfExists(files_[i], slot.buffer, file.exists);
        file.text = slot.buffer.view();
        bool wake = false;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            slot.file = std::move(file);
            slot.ready = true;
            ++readyCount_;
            heldBytes_ += slot.file.text.size();
            // A waiting caller is woken once a few files are ready (or the list is done), not
            // for every file: each wake-up costs both threads a trip through the kernel.
            wake = readyCount_ >= kSlots / 2 || i + 1 == files_.size();
        }
        if (wake) fileReady_.notify_one();
    }
}

const FileReadAhead::File& FileReadAhead::Next() {
    std::unique_lock<std::mutex> lock(mutex_);
    // Hand back the slot of the file before, so the reader can go on.
    if (next_ > 0) {
        Slot& done = slots_[(next_ - 1) % kSlots];
        done.ready = false;
        --readyCount_;
        heldBytes_ -= done.file.text.size();
        done.file = File{};
        // A buffer that grew for a large file is not kept for the small ones after it.
        if (done.buffer.capacity() > bytesAhead_) done.buffer = FileBuffer{};
        slotFree_.notify_one();
    }
    Slot& slot = slots_[next_ % kSlots];
    fileReady_.wait(lock, [&] { return slot.ready; });
    ++next_;
    return slot.file;
}

}  // namespace morv
