#pragma once

#include <string>
#include <vector>

#include "editor/core/TextBuffer.h"

namespace morv {

// A TextBuffer over bytes in memory. Tests and the command-line tool use it, and the editor runs
// whole-document commands on a snapshot of itself and takes the result back as one edit.
class StringBuffer : public TextBuffer {
  public:
    StringBuffer() = default;
    explicit StringBuffer(std::string text);

    long Length() const override { return long(text_.size()); }
    long Find(std::string_view what, long start, long end, int flags) override;
    void Select(long start, long length) override;
    long SelectionStart() const override { return selStart_; }
    long SelectionLength() const override { return selLength_; }
    std::string SelectedText() const override;
    void ReplaceSelection(std::string_view text) override;
    void ExtendSelectionOverNotIn(std::string_view stopChars) override;
    void MoveCaretBackToAny(std::string_view chars) override;
    long LineCount() const override;
    long LineFromOffset(long offset) const override;
    long LineStart(long line) const override;
    long LineLength(long line) const override;
    std::string Text() const override { return text_; }
    void SetText(std::string_view text) override;

    const std::string& str() const { return text_; }

  private:
    void IndexLines() const;
    long Clamp(long offset) const;

    std::string text_;
    long selStart_ = 0;
    long selLength_ = 0;
    // Start offsets of the lines, built on first use after a change.
    mutable std::vector<long> lineStarts_;
    mutable bool linesValid_ = false;
};

}  // namespace morv
