#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "extract/core/ReportWriter.h"
#include "extract/core/Scanners.h"
#include "helpers/core/Progress.h"
#include "helpers/core/Result.h"

// The extraction report: one block per listed file, opened by [FILE = "path"], with a section
// per ticked tag kind in the order Script, Style, Link, Image, E-mail. Every line ends with CR LF.
// The sections tree, the clean-up commands and the link fixer read this layout.
namespace morv {

struct ExtractOptions {
    std::array<bool, kTagKindCount> tags{true, true, true, true, true};
    bool clearText = false;        // the report replaces the document instead of following it
    bool noRelativeLinks = false;  // links and images: only http: and ftp: addresses
    bool noHeaders = false;        // no [FILE], section header or warning lines
};

// Number of ticked tag kinds.
int TickedKinds(const ExtractOptions& options);

// The progress bar's range of a run over fileCount files: one step per file, one per ticked kind
// of each file, and one for the end.
long ProgressTotal(size_t fileCount, const ExtractOptions& options);

// True when path names a regular file (a link to one counts) whose name does not start with '.'.
bool FileExists(const std::string& path);

// A buffer that holds one file at a time and only grows, without clearing what it gains.
class FileBuffer {
  public:
    std::string_view view() const { return {data_.get(), size_}; }
    char* Reserve(size_t capacity);  // room for capacity bytes; keeps what is there
    size_t capacity() const { return capacity_; }
    void SetSize(size_t size) { size_ = size; }

  private:
    std::unique_ptr<char[]> data_;
    size_t capacity_ = 0;
    size_t size_ = 0;
};

// Reads a whole file into buffer (reused between files, so one file is in memory at a time).
Status ReadWholeFile(const std::string& path, FileBuffer& buffer);
Result<std::string> ReadWholeFile(const std::string& path);
// FileExists and ReadWholeFile in one: exists tells whether the file exists; when it does, the
// result is ReadWholeFile's.
Status ReadFileIfExists(const std::string& path, FileBuffer& buffer, bool& exists);

// Writes the file blocks of the report (everything after the head) for files, in list order.
// Reports progress: the bar's maximum, one step per file and per ticked kind of an existing file,
// the current path. Polls ShouldStop before each file and ends with a user interrupt; a file that
// exists but cannot be read, or a failed write, ends the run with that error.
Status WriteReport(const std::vector<std::string>& files, const ExtractOptions& options,
                   ReportWriter& out, ProgressObserver& progress);

struct ExtractRequest {
    std::vector<std::string> files;
    ExtractOptions options;
    std::string head;          // the document's text, put in front unless options.clearText
    std::string lastListFile;  // rewritten with the list first (errors ignored); empty: none
    // Runs once the temporary report file exists, before any file is read (the editor marks the
    // document untitled there when the report will replace it).
    std::function<void()> onReportCreated;
};

// The whole extraction: writes the last-list file, streams the report into a new temporary file,
// reads it back and deletes the file, also after an error or a stop. Returns the report's bytes.
Result<std::string> ExtractReport(const ExtractRequest& request, ProgressObserver& progress);

}  // namespace morv
