#include "search/widgets/FindDialogs.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/widgets/Prompter.h"
#include "search/core/FindReplace.h"

namespace morv {

namespace {

const char kEndOfDocument[] = "Finished searching through the end of document.";
const char kThroughDocument[] = "Finished searching through the document.";

// A line edit that selects its whole text whenever it receives the focus.
class SelectAllLineEdit : public QLineEdit {
  public:
    using QLineEdit::QLineEdit;

  protected:
    void focusInEvent(QFocusEvent* event) override {
        QLineEdit::focusInEvent(event);
        // After the mouse press that may have brought the focus has placed the cursor.
        QTimer::singleShot(0, this, [this] { selectAll(); });
    }
};

const char kUnstorable[] =
    "The replacement text holds characters that this document's encoding cannot store.";

// Text in the editor's terms, or nothing when the document's encoding cannot hold every
// character of it (such a text cannot occur in it).
std::optional<std::string> ToDocumentBytes(frmMain& main, const QString& text) {
    bool storable = true;
    std::string inEditor = main.Rich1()->ToEditorText(text, &storable);
    if (!storable) return std::nullopt;
    return inEditor;
}

// Find Next from one character after the caret; false when there is no match.
bool FindFromCaret(frmMain& main, const QString& text, int flags) {
    const std::optional<std::string> sought = ToDocumentBytes(main, text);
    if (!sought) return false;
    EditorBuffer buffer(main.Rich1());
    return FindNextMatch(buffer, *sought, flags) != -1;
}

QPushButton* MakeButton(const char* name, const char* caption, QWidget* parent) {
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setObjectName(name);
    button->setAccessibleName(QString::fromLatin1(caption).remove(" ..").trimmed());
    button->setAutoDefault(false);
    return button;
}

}  // namespace

SearchState::SearchState(frmMain& main) : QObject(&main), main_(main) {
    setObjectName("SearchState");
}

SearchState& SearchStateOf(frmMain& main) {
    if (auto* state = main.findChild<SearchState*>("SearchState", Qt::FindDirectChildrenOnly))
        return *state;
    return *new SearchState(main);
}

SearchDialog::SearchDialog(SearchState& state, const QString& caption, bool replaceMode)
    : QDialog(&state.Main()), state_(&state), main_(state.Main()) {
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(caption);
    setAccessibleName(caption);

    auto* fields = new QGridLayout;
    auto* label = new QLabel("Find what:", this);
    label->setObjectName("Label1");
    text1_ = new SelectAllLineEdit(this);
    text1_->setObjectName("Text1");
    text1_->setAccessibleName("Find what");
    label->setBuddy(text1_);
    fields->addWidget(label, 0, 0);
    fields->addWidget(text1_, 0, 1);
    if (replaceMode) {
        // The two labels are one control array, as in the Find dialog's "Label1".
        auto* label2 = new QLabel("Replace with:", this);
        label2->setObjectName("Label1");
        text2_ = new QLineEdit(this);
        text2_->setObjectName("Text2");
        text2_->setAccessibleName("Replace with");
        label2->setBuddy(text2_);
        fields->addWidget(label2, 1, 0);
        fields->addWidget(text2_, 1, 1);
    }
    chkWholeWord_ = new QCheckBox("Find whole word only", this);
    chkWholeWord_->setObjectName("chkWholeWord");
    chkWholeWord_->setAccessibleName("Find whole word only");
    chkMatchCase_ = new QCheckBox("Match case", this);
    chkMatchCase_->setObjectName("chkMatchCase");
    chkMatchCase_->setAccessibleName("Match case");

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addSpacing(8);
    left->addWidget(chkWholeWord_);
    left->addWidget(chkMatchCase_);
    left->addStretch(1);

    cmdFind_ = MakeButton("cmdFind", "Find Next", this);
    cmdFind_->setDefault(true);
    cmdReplace_ = MakeButton("cmdReplace", replaceMode ? "Replace" : "Replace ..", this);
    cmdClose_ = MakeButton("cmdClose", "Close", this);
    auto* right = new QVBoxLayout;
    right->addWidget(cmdFind_);
    right->addWidget(cmdReplace_);
    if (replaceMode) {
        cmdReplaceAll_ = MakeButton("cmdReplaceAll", "Replace All", this);
        right->addWidget(cmdReplaceAll_);
    }
    right->addWidget(cmdClose_);
    right->addStretch(1);
    connect(cmdClose_, &QPushButton::clicked, this, [this] { close(); });

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(left, 1);
    layout->addLayout(right);
    setMinimumWidth(420);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Loading: the editor's selection, or else the last text found.
    const DocumentEditor* editor = main_.Rich1();
    QString selected = DocumentEditor::DecodePiece(
        editor->Range(editor->SelectionStart(), editor->SelectionEnd() - editor->SelectionStart()));
    selected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text1_->setText(selected.isEmpty() ? state.LastFindText : selected);
}

SearchDialog::~SearchDialog() = default;

void SearchDialog::FindFromCaretOrSay(const QString& notFound) {
    if (text1_->text().isEmpty()) {
        text1_->setFocus();
        return;
    }
    if (FindFromCaret(main_, text1_->text(), Flags())) {
        State().LastFindText = text1_->text();
    } else {
        ShowMessage(this, notFound, PromptIcon::Information, kAppTitle);
        State().LastFindText.clear();
        text1_->setFocus();
    }
}

std::optional<std::string> SearchDialog::ReplacementOrSay() {
    if (text1_->text().isEmpty()) {
        text1_->setFocus();
        return std::nullopt;
    }
    std::optional<std::string> replacement = ToDocumentBytes(main_, text2_->text());
    if (!replacement) {
        ShowMessage(this, kUnstorable, PromptIcon::Exclamation, kAppTitle);
        text2_->setFocus();
    }
    return replacement;
}

int SearchDialog::Flags() const {
    return (chkWholeWord_->isChecked() ? kFindWholeWord : 0) |
           (chkMatchCase_->isChecked() ? kFindMatchCase : 0);
}

void SearchDialog::closeEvent(QCloseEvent* event) {
    if (!unloaded_) {
        unloaded_ = true;
        Unloading();
    }
    event->accept();
}

void SearchDialog::done(int result) {
    // Esc ends here without a close event.
    if (!unloaded_) {
        unloaded_ = true;
        Unloading();
    }
    QDialog::done(result);
}

frmFind::frmFind(SearchState& state) : SearchDialog(state, "Find", false) {
    setObjectName("frmFind");
    connect(cmdFind_, &QPushButton::clicked, this, [this] { cmdFind_Click(); });
    connect(cmdReplace_, &QPushButton::clicked, this, [this] { cmdReplace_Click(); });
    state.FindOpen = true;
    state.Find = this;
}

void frmFind::cmdFind_Click() {
    FindFromCaretOrSay(kEndOfDocument);
}

void frmFind::cmdReplace_Click() {
    frmReplace* replace = ShowReplaceDialog(main_);
    replace->TakeOver(text1_->text(), chkWholeWord_->isChecked(), chkMatchCase_->isChecked());
    close();
}

void frmFind::Unloading() {
    if (HasState()) State().FindOpen = false;
}

frmReplace::frmReplace(SearchState& state) : SearchDialog(state, "Replace", true) {
    setObjectName("frmReplace");
    connect(cmdFind_, &QPushButton::clicked, this, [this] { cmdFind_Click(); });
    connect(cmdReplace_, &QPushButton::clicked, this, [this] { cmdReplace_Click(); });
    connect(cmdReplaceAll_, &QPushButton::clicked, this, [this] { cmdReplaceAll_Click(); });
    state.ReplaceOpen = true;
    state.Replace = this;
}

void frmReplace::TakeOver(const QString& text, bool wholeWord, bool matchCase) {
    text1_->setText(text);
    chkWholeWord_->setChecked(wholeWord);
    chkMatchCase_->setChecked(matchCase);
}

void frmReplace::cmdFind_Click() {
    FindFromCaretOrSay(kThroughDocument);
}

void frmReplace::cmdReplace_Click() {
    const std::optional<std::string> replacement = ReplacementOrSay();
    if (!replacement) return;
    const std::optional<std::string> sought = ToDocumentBytes(main_, text1_->text());
    EditorBuffer buffer(main_.Rich1());
    const ReplaceOutcome outcome =
        sought ? ReplaceNextMatch(buffer, *sought, *replacement, Flags()) : ReplaceOutcome{};
    if (outcome.replacedAt < 0) {
        ShowMessage(this, kThroughDocument, PromptIcon::Information, kAppTitle);
        text1_->setFocus();
        State().LastFindText.clear();
    }
}

void frmReplace::cmdReplaceAll_Click() {
    const std::optional<std::string> replacement = ReplacementOrSay();
    if (!replacement) return;
    const std::optional<std::string> sought = ToDocumentBytes(main_, text1_->text());
    if (!sought) return;  // the document cannot hold it, so it holds no match
    DocumentEditor* editor = main_.Rich1();
    const ReplaceAllResult result =
        ReplaceAllMatches(BufferText(editor), *sought, *replacement, Flags());
    if (result.count == 0) return;
    ReplaceBufferText(editor, result.text);
    EditorBuffer(editor).SetCaret(result.caret);
}

void frmReplace::Unloading() {
    if (HasState()) State().ReplaceOpen = false;
    main_.activateWindow();
    main_.raise();
}

frmFind* ShowFindDialog(frmMain& main) {
    SearchState& state = SearchStateOf(main);
    if (state.Find && state.FindOpen) {
        state.Find->show();
        state.Find->raise();
        state.Find->activateWindow();
        return state.Find;
    }
    auto* dialog = new frmFind(state);
    dialog->show();
    return dialog;
}

frmReplace* ShowReplaceDialog(frmMain& main) {
    SearchState& state = SearchStateOf(main);
    if (state.Replace && state.ReplaceOpen) {
        state.Replace->show();
        state.Replace->raise();
        state.Replace->activateWindow();
        return state.Replace;
    }
    auto* dialog = new frmReplace(state);
    dialog->show();
    return dialog;
}

void CloseFindReplace(frmMain& main) {
    SearchState& state = SearchStateOf(main);
    if (state.FindOpen && state.Find) state.Find->close();
    if (state.ReplaceOpen && state.Replace) state.Replace->close();
}

void FindNext(frmMain& main) {
    SearchState& state = SearchStateOf(main);
    if (state.LastFindText.isEmpty()) {
        ShowFindDialog(main);
        return;
    }
    // Always without options, whatever the dialogs' boxes say.
    if (!FindFromCaret(main, state.LastFindText, 0)) {
        ShowMessage(&main, kEndOfDocument, PromptIcon::Information, kAppTitle);
        state.LastFindText.clear();
    }
}

void InstallSearchCommands(frmMain& main) {
    SearchStateOf(main);
    MainCommands& commands = main.Commands();
    commands.find = [&main] { ShowFindDialog(main); };
    commands.replace = [&main] { ShowReplaceDialog(main); };
    commands.findNext = [&main] { FindNext(main); };
    commands.closeFindReplace = [&main] { CloseFindReplace(main); };
    main.RefreshCommandStates();
}

}  // namespace morv
