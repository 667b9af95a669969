#pragma once

// The document editor as assistive technology sees it: an editable text whose text can be read,
// searched by line, word and character, and changed. Offsets are characters (UTF-16 units), found
// through the component's index of line starts, so no request reads the whole text; the index is
// kept only once assistive technology has asked for an offset.
namespace morv {

class DocumentEditor;

// Installs the accessibility of document editors (once; later calls do nothing).
void InstallDocumentAccessibility();

// Tell assistive technology, when any listens, that the caret moved or a character was typed.
void NotifyCaretMoved(DocumentEditor* editor);
void NotifyCharacterTyped(DocumentEditor* editor);

}  // namespace morv
