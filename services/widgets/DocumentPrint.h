#pragma once

#include "helpers/core/Result.h"

class QPrinter;
class QsciScintillaBase;

// Printing of the editor's text with its formatting. Where the page layout, the range and the
// copies come from is the printer's business (PrintDialogs.h); this only paints pages onto it.
namespace morv {

// Prints the editor's text on printer, following its page range, copies, page order and page
// layout: only the selection when the printer's range is "Selection" and the editor has one,
// else the whole text. Lines longer than the page are wrapped. Fails with a description when the
// printer cannot be opened or reports an error, or when the chosen pages are not in the text.
Status PrintEditor(QsciScintillaBase& editor, QPrinter& printer);

}  // namespace morv
