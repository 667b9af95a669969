#include <QAccessible>
#include <QFont>

#include <functional>

#include <gtest/gtest.h>

#include "editor/core/DocumentText.h"
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

TEST(EditorBuffer, BehavesLikeStringBufferOverTheEditorsText) {
    for (const char* document : kDocuments) {
        DocumentEditor editor;
        editor.LoadBytes(document);
        ASSERT_EQ(editor.Bytes(), document);
        EditorBuffer widget(&editor);
        StringBuffer memory(DecodeDocument(document).utf8);
        ASSERT_EQ(widget.Text(), memory.Text());
        for (const auto& [name, step] : kSteps) {
            EXPECT_EQ(step(widget), step(memory)) << name << " on " << document;
        }
    }
}

TEST(EditorBuffer, ReplaceBufferTextIsOneUndoStep) {
    const struct {
        const char* name;
        std::string before, after;
    } rows[] = {
        {"middle changed", "a\r\nb\r\nc", "a\r\nXY\r\nc"},
        {"break added at end", "a", "a\r\n"},
        {"multi-byte neighbour", "caf\xc3\xa9\r\nx", "caf\xc3\xa8\r\nx"},
        {"everything", "abc", ""},
    };
    for (const auto& row : rows) {
        DocumentEditor editor;
        editor.LoadBytes(row.before);
        ReplaceBufferText(&editor, row.after);
        EXPECT_EQ(editor.Text(), row.after) << row.name;
        editor.undo();
        EXPECT_EQ(editor.Text(), row.before) << row.name;
        EXPECT_FALSE(editor.CanUndo()) << row.name;
    }
    DocumentEditor editor;
    editor.LoadBytes("same");
    ReplaceBufferText(&editor, "same");
    EXPECT_FALSE(editor.CanUndo()) << "no change, no undo step";
}

// A document that is not UTF-8 is shown in the Western code page, every byte one character, and
// saved back byte for byte; typed characters the code page lacks are reported before saving.
TEST(DocumentEditor, Windows1252DocumentsShowEveryCharacterAndSaveBack) {
    const struct {
        const char* name;
        std::string bytes;
        const char* shown;  // UTF-8
    } rows[] = {
        {"Latin-1 letters", "caf\xe9 na\xefve", "caf\xc3\xa9 na\xc3\xafve"},
        {"euro, quotes and dashes", "\x80 \x93q\x94 \x96 \x97",
         "\xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d \xe2\x80\x93 \xe2\x80\x94"},
        {"unassigned bytes as controls", "a\x81\x8d\x8f\x90\x9d",
         "a\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
        {"lone breaks become CR LF", "\xe9\nx\ry", "\xc3\xa9\r\nx\r\ny"},
    };
    for (const auto& row : rows) {
        DocumentEditor editor;
        editor.LoadBytes(row.bytes);
        EXPECT_EQ(editor.Encoding(), TextEncoding::Windows1252) << row.name;
        EXPECT_EQ(editor.Text(), row.shown) << row.name;
        EXPECT_EQ(editor.Bytes(), NormalizeLineBreaks(row.bytes)) << row.name;
    }

    DocumentEditor editor;
    editor.LoadBytes("caf\xe9\r\n\x80\x81");
    EditorBuffer buffer(&editor);
    EXPECT_EQ(buffer.Find(editor.ToEditorText(QString::fromUtf8("\xe2\x82\xac")), 0, -1, 0), 7);
    buffer.ReplaceSelection(editor.ToEditorText(QStringLiteral("\u00e8")));
    EXPECT_EQ(editor.Bytes(), "caf\xe9\r\n\xe8\x81");
    bool storable = true;
    EXPECT_EQ(editor.ToEditorText(QStringLiteral("\u03c9!"), &storable), "?!");
    EXPECT_FALSE(storable) << "omega is not in the code page";
}

}  // namespace

namespace {

// Formatted runs become styles of the component; a change of the editor's font reaches the plain
// text and every look without a font or size of its own, and leaves the others alone.
TEST(DocumentEditor, FormattingSurvivesAChangeOfTheEditorsFont) {
    using Sci = QsciScintillaBase;
    DocumentEditor editor;
    editor.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 10));
    std::vector<RtfRun> runs(3);
    runs[0].text = "plain\n";
    runs[1].text = "big";
    runs[1].bold = true;
    runs[1].halfPoints = 28;
    runs[1].rgb = 0x112233;
    runs[2].text = "slanted";
    runs[2].italic = true;
    editor.LoadRuns(runs);
    EXPECT_EQ(editor.Text(), "plain\r\nbigslanted");
    auto style = [&](long at) { return editor.SendScintilla(Sci::SCI_GETSTYLEAT, at); };
    auto size = [&](long at) {
        return editor.SendScintilla(Sci::SCI_STYLEGETSIZE, static_cast<unsigned long>(style(at)));
    };
    for (int round = 0; round < 2; ++round) {
        const long base = round == 0 ? 10 : 13;
        EXPECT_EQ(size(0), base);
        EXPECT_EQ(size(7), 14) << "a size of its own stays";
        EXPECT_EQ(size(10), base) << "italic text follows the editor's size";
        EXPECT_EQ(editor.SendScintilla(Sci::SCI_STYLEGETBOLD, style(7)), 1);
        EXPECT_EQ(editor.SendScintilla(Sci::SCI_STYLEGETFORE, style(7)), 0x332211);  // BGR
        EXPECT_EQ(editor.SendScintilla(Sci::SCI_STYLEGETITALIC, style(10)), 1);
        EXPECT_TRUE(editor.FormatAt(8).bold);
        EXPECT_FALSE(editor.FormatAt(2).bold);
        editor.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 13));
    }
}

}  // namespace

namespace {

// Assistive technology counts in characters (UTF-16 units); the editor in bytes of UTF-8.
TEST(DocumentEditor, AccessibleTextCountsCharacters) {
    DocumentEditor editor;
    editor.LoadBytes("a\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e\r\nline two");  // a é € 𝄞
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&editor);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::EditableText);
    QAccessibleTextInterface* text = accessible->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 15);  // 1 + 1 + 1 + 2 (a pair) + 2 (CR LF) + 8
    EXPECT_EQ(text->text(1, 5), QString::fromUtf8("\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e"));
    int start = -1, end = -1;
    EXPECT_EQ(text->textAtOffset(9, QAccessible::LineBoundary, &start, &end), "line two");
    EXPECT_EQ(start, 7);
    EXPECT_EQ(end, 15);
    editor.SetSelection(15, 15);  // bytes: before "e two"
    EXPECT_EQ(text->cursorPosition(), 7 + 3);
    accessible->editableTextInterface()->insertText(5, QStringLiteral("!"));
    EXPECT_EQ(editor.Text(), "a\xc3\xa9\xe2\x82\xac\xf0\x9d\x84\x9e!\r\nline two");
    accessible->editableTextInterface()->replaceText(0, text->characterCount(),
                                                     QStringLiteral("new\ntext"));
    EXPECT_EQ(editor.Text(), "new\r\ntext") << "a line break comes in as CR LF";
}

}  // namespace
