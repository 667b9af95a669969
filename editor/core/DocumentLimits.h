#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// How large a document the editor takes, and what it asks before it does. A file over
// askAbove is opened only after a question that names its size; one the editor cannot hold, or
// one the free memory cannot hold, is refused with a message, and the document stays as it was.
namespace morv {

struct DocumentLimits {
    uint64_t askAbove = uint64_t(256) << 20;
    // The editor's own limit: positions run up to 2,000,000,000, which stands for the end.
    uint64_t maximum = 2000000000 - 1;
    // Loads of at least this many bytes show a progress window with Cancel.
    uint64_t progressAbove = uint64_t(8) << 20;
    // Word wrap lays a line out in one go; a document with a longer line is not wrapped.
    uint64_t wrapLineLimit = uint64_t(1) << 20;
    // The memory free for a new document, in bytes. Empty: the system's own figure.
    std::function<uint64_t()> availableMemory;
};

// The limits in force; tests change them (ScopedDocumentLimits) to stand in for huge files.
DocumentLimits& CurrentDocumentLimits();

class ScopedDocumentLimits {
  public:
    explicit ScopedDocumentLimits(DocumentLimits limits) : saved_(CurrentDocumentLimits()) {
        CurrentDocumentLimits() = std::move(limits);
    }
    ~ScopedDocumentLimits() { CurrentDocumentLimits() = std::move(saved_); }
    ScopedDocumentLimits(const ScopedDocumentLimits&) = delete;
    ScopedDocumentLimits& operator=(const ScopedDocumentLimits&) = delete;

  private:
    DocumentLimits saved_;
};

// The memory the system can give a new document without swapping (MemAvailable), in bytes; 0
// when it cannot tell.
uint64_t SystemAvailableMemory();

// Memory a file of this size takes while it is read and loaded: the bytes read and the editor's
// copy of them.
inline uint64_t MemoryToOpen(uint64_t size) {
    return size * 2;
}

enum class SizeVerdict { Open, Ask, TooLargeForEditor, TooLargeForMemory };

// What to do with a file of size bytes when availableMemory bytes are free (0: unknown).
SizeVerdict CheckDocumentSize(uint64_t size, uint64_t availableMemory,
                              const DocumentLimits& limits);

// A size for people: "512 bytes", "12 KB", "300 MB", "1.5 GB" (1 KB = 1024 bytes).
std::string DescribeSize(uint64_t bytes);

// The texts of the question and the refusals, for a file called name.
std::string SizeQuestion(std::string_view name, uint64_t size);
std::string TooLargeForEditor(std::string_view name, uint64_t size, const DocumentLimits& limits);
std::string TooLargeForMemory(std::string_view name, uint64_t size, uint64_t availableMemory);
std::string NotEnoughMemory(std::string_view name);
std::string LineTooLongToWrap(uint64_t lineLength);

}  // namespace morv
