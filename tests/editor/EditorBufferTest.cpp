#include <QTextDocument>

#include <functional>

#include <gtest/gtest.h>

#include "editor/core/StringBuffer.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"

using namespace morv;

namespace {

// The documents every operation runs on: plain ASCII, UTF-8 with multi-byte characters, and
// single-byte text that is not UTF-8.
const char* const kDocuments[] = {
    "[FILE = \"/site/a.htm\"]\r\n[LINK]\r\nindex.htm\r\n../up.htm\r\n\r\n[IMAGE]\r\nimg/a.gif",
    "[FILE = \"/s\xc3\xa9/\xe2\x82\xac.htm\"]\r\n[LINK]\r\nr\xc3\xa9sum\xc3\xa9.htm\r\n\r\nx",
    "[FILE = \"/s\xe9/b.htm\"]\r\n[LINK]\r\ncaf\xe9.htm\r\nend",
};

// One step of a script: does something to a buffer and returns what it observed.
using Step = std::function<std::string(TextBuffer&)>;

std::string State(TextBuffer& b) {
    return std::to_string(b.SelectionStart()) + "+" + std::to_string(b.SelectionLength()) + ":" +
           b.SelectedText();
}

const std::pair<const char*, Step> kSteps[] = {
    {"length", [](TextBuffer& b) { return std::to_string(b.Length()); }},
    {"find quote",
     [](TextBuffer& b) { return std::to_string(b.Find("\"", 0, kEndOfText, 0)) + State(b); }},
    {"extend over path",
     [](TextBuffer& b) {
         b.SetCaret(b.SelectionStart() + 1);
         b.ExtendSelectionOverNotIn("\"");
         return State(b);
     }},
    {"back to bracket",
     [](TextBuffer& b) {
         b.MoveCaretBackToAny("[");
         return State(b);
     }},
    {"find link ignoring case",
     [](TextBuffer& b) { return std::to_string(b.Find("[link]", 0, -1, 0)) + State(b); }},
    {"find without selecting",
     [](TextBuffer& b) { return std::to_string(b.Find("htm", 10, -1, kFindNoSelect)) + State(b); }},
    {"lines",
     [](TextBuffer& b) {
         std::string out = std::to_string(b.LineCount());
         for (long i = -1; i <= b.LineCount(); ++i) {
             out += "|" + std::to_string(b.LineStart(i)) + "," + std::to_string(b.LineLength(i));
         }
         for (long offset : {0L, 3L, 25L, b.Length(), kEndOfText}) {
             out += "|" + std::to_string(b.LineFromOffset(offset));
         }
         return out;
     }},
    {"select line 2",
     [](TextBuffer& b) {
         b.Select(b.LineStart(2), b.LineLength(2));
         return State(b);
     }},
    {"replace line 2",
     [](TextBuffer& b) {
         b.ReplaceSelection("http://host/x.htm");
         return State(b) + "|" + b.Text();
     }},
    {"select past end",
     [](TextBuffer& b) {
         b.Select(5, kEndOfText);
         return State(b);
     }},
    {"insert line break",
     [](TextBuffer& b) {
         b.SetCaret(3);
         b.ReplaceSelection("\r\nnew line\r\n");
         return State(b) + "|" + std::to_string(b.LineCount()) + "|" + b.Text();
     }},
    {"whole word",
     [](TextBuffer& b) { return std::to_string(b.Find("htm", 0, -1, kFindWholeWord)) + State(b); }},
    {"caret at end",
     [](TextBuffer& b) {
         b.SetCaret(kEndOfText);
         b.MoveCaretBackToAny("\n");
         return State(b);
     }},
};

TEST(EditorBuffer, BehavesLikeStringBuffer) {
    for (const char* document : kDocuments) {
        DocumentEditor editor;
        editor.LoadBytes(document);
        ASSERT_EQ(editor.Bytes(), document);
        EditorBuffer widget(&editor);
        StringBuffer memory(document);
        for (const auto& [name, step] : kSteps) {
            EXPECT_EQ(step(widget), step(memory)) << name << " on " << document;
        }
    }
}

TEST(EditorBuffer, ReplaceDocumentBytesIsOneUndoStepOverTheChangedRange) {
    struct Row {
        const char* name;
        std::string before;
        std::string after;
    } rows[] = {
        {"middle changed", "a\r\nb\r\nc", "a\r\nXY\r\nc"},
        {"lines removed", "a\r\n\r\n\r\nb", "a\r\nb"},
        {"break added at end", "a", "a\r\n"},
        {"multi-byte neighbour", "caf\xc3\xa9\r\nx", "caf\xc3\xa8\r\nx"},
        {"everything", "abc", ""},
        {"nothing", "same", "same"},
    };
    for (const Row& row : rows) {
        DocumentEditor editor;
        editor.LoadBytes(row.before);
        editor.document()->clearUndoRedoStacks();
        ReplaceDocumentBytes(&editor, row.after);
        EXPECT_EQ(editor.Bytes(), row.after) << row.name;
        editor.undo();
        EXPECT_EQ(editor.Bytes(), row.before) << row.name;
    }
}

TEST(EditorBuffer, SingleByteDocumentKeepsItsBytes) {
    DocumentEditor editor;
    editor.LoadBytes("caf\xe9\r\n\x80\x81");
    EXPECT_EQ(editor.Encoding(), TextEncoding::Windows1252);
    EditorBuffer buffer(&editor);
    EXPECT_EQ(buffer.Find("\x80", 0, -1, 0), 6);
    buffer.ReplaceSelection("\xe8");
    EXPECT_EQ(editor.Bytes(), "caf\xe9\r\n\xe8\x81");
}

TEST(DocumentEditor, BytesAndOffsetsFollowTheLoadedDocument) {
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<long> lineStarts;
    } rows[] = {
        {"empty", "", {0}},
        {"one break", "\r\n", {0, 2}},
        {"trailing break", "a\r\n", {0, 3}},
        {"empty lines first", "\r\n\r\nb", {0, 2, 4}},
        {"UTF-8 no-break space",
         "non\xc2\xa0"
         "breaking\r\nx",
         {0, 15}},
        {"UTF-8 line separator inside a line",
         "a\xe2\x80\xa8"
         "b\r\nc",
         {0, 7}},
        {"Windows-1252", "caf\xe9 \xa0\r\n\x85 end", {0, 8}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DocumentEditor editor;
        editor.LoadBytes(row.bytes);
        EXPECT_EQ(editor.Bytes(), row.bytes);
        EXPECT_EQ(editor.LineByteStarts(), row.lineStarts);
        // Every character start maps to a position and back to itself.
        for (int position = 0; position < editor.document()->characterCount(); ++position) {
            const long offset = editor.ByteOffsetOf(position);
            EXPECT_EQ(editor.PositionOf(offset), position) << "position " << position;
        }
    }
}

}  // namespace
