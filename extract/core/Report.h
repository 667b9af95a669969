#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "extract/core/ReportWriter.h"
#include "extract/core/Scanners.h"
#include "helpers/core/FileIo.h"
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

// Reads a file of the list into buffer (reused between files, so one file is in memory at a
// time). exists tells whether FileExists holds for it; when it does, the result is the read's,
// up to kMaxDocumentSize bytes. A pipe or device is no file of the list and is never waited on.
// opened, when given, receives what the file read was when it was opened.
Status ReadFileIfExists(const std::string& path, FileBuffer& buffer, bool& exists,
                        struct stat* opened = nullptr);

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
