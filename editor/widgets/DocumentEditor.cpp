#include "editor/widgets/DocumentEditor.h"

#include <QContextMenuEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "editor/core/DocumentLimits.h"
#include "editor/core/TextBuffer.h"
#include "editor/widgets/DocumentAccessible.h"
#include "helpers/core/Progress.h"

namespace morv {

namespace {

// Plain documents at least this large get no style storage: it would cost a byte per character
// and a second copy in every undo step that replaces much of the text.
constexpr uint64_t kStyledDocumentLimit = 16u << 20;
// A load fills its document this many bytes at a time, asking between pieces whether to stop.
constexpr size_t kLoadPiece = 4u << 20;
// Styles 32 to 39 are the component's own (default, line numbers, braces, ...).
constexpr int kFirstOwnStyles = 31;
constexpr int kMaxFormats = kFirstOwnStyles + (255 - 40 + 1);

int StyleNumber(size_t index) {
    return index < size_t(kFirstOwnStyles) ? int(index) + 1 : int(index) + 1 + 8;
}

long ToBgr(const QColor& colour) {
    return long(colour.red()) | long(colour.green()) << 8 | long(colour.blue()) << 16;
}

long RgbToBgr(int64_t rgb) {
    return long((rgb >> 16) & 0xFF) | long(rgb & 0xFF00) | long((rgb & 0xFF) << 16);
}

// Keys the editor handles itself although a menu item has them as its shortcut: typing and the
// editing keys a text field owns, as in every other text field of the desktop.
bool OwnsShortcut(const QKeyEvent* key) {
    static const QKeySequence::StandardKey owned[] = {
        QKeySequence::Undo,
        QKeySequence::Redo,
        QKeySequence::Cut,
        QKeySequence::Copy,
        QKeySequence::Paste,
        QKeySequence::Delete,
        QKeySequence::SelectAll,
        QKeySequence::Backspace,
        QKeySequence::DeleteStartOfWord,
        QKeySequence::DeleteEndOfWord,
    };
    for (QKeySequence::StandardKey standard : owned)
        if (key->matches(standard)) return true;
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    return (mods == Qt::NoModifier || mods == Qt::ShiftModifier) && !key->text().isEmpty() &&
           key->text().at(0).isPrint();
}

// Gives a view of its own (never shown) a new empty document with room for capacity bytes, to be
// filled without undo history. False when the memory for it is not there.
bool StartDocument(QsciScintillaBase& loader, uint64_t capacity, int options) {
    void* document = reinterpret_cast<void*>(
        loader.SendScintilla(QsciScintillaBase::SCI_CREATEDOCUMENT,
                             static_cast<unsigned long>(capacity + 1), static_cast<long>(options)));
    if (document == nullptr) return false;
    loader.SendScintilla(QsciScintillaBase::SCI_SETDOCPOINTER, 0UL, document);
    loader.SendScintilla(QsciScintillaBase::SCI_RELEASEDOCUMENT, 0UL, document);  // the view's
    loader.SendScintilla(QsciScintillaBase::SCI_SETMODEVENTMASK, 0L);
    loader.SendScintilla(QsciScintillaBase::SCI_SETUNDOCOLLECTION, 0L);
    loader.SendScintilla(QsciScintillaBase::SCI_ALLOCATE, static_cast<unsigned long>(capacity + 1));
    return loader.SendScintilla(QsciScintillaBase::SCI_GETSTATUS) ==
           QsciScintillaBase::SC_STATUS_OK;
}

// Text for the clipboard or a drag, kept as the editor's bytes and decoded (with '\n' breaks, as
// other programs expect) only when a reader asks for it.
class EditorMimeData : public QMimeData {
  public:
    explicit EditorMimeData(QByteArray text) : text_(std::move(text)) {}
    QStringList formats() const override {
        return {QStringLiteral("text/plain"), QStringLiteral("text/plain;charset=utf-8")};
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (!hasFormat(mimeType)) return {};
        QByteArray bytes = text_;
        bytes.replace("\r\n", "\n");
        if (type.id() == QMetaType::QString) return QString::fromUtf8(bytes);
        return bytes;
    }

  private:
    QByteArray text_;
};

}  // namespace

DocumentEditor::DocumentEditor(QWidget* parent) : QsciScintillaBase(parent) {
    InstallDocumentAccessibility();
    setObjectName("Rich1");
    setAccessibleName(tr("Document"));
    SetUpView();
    ApplyStyles();
    connect(this, &QsciScintillaBase::SCEN_CHANGE, this, &DocumentEditor::TextChanged);
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if (updated & SC_UPDATE_SELECTION) NotifyCaretMoved(this);
    });
    connect(this, &QsciScintillaBase::SCN_CHARADDED, this,
            [this](int) { NotifyCharacterTyped(this); });
    connect(this, &QsciScintillaBase::SCN_URIDROPPED, this, &DocumentEditor::InsertUrls);
}

DocumentEditor::~DocumentEditor() = default;

long DocumentEditor::Call(unsigned int message, uintptr_t wParam, intptr_t lParam) const {
    return SendScintilla(message, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
}

long DocumentEditor::CallText(unsigned int message, uintptr_t wParam, const char* text) const {
    return SendScintilla(message, wParam, text);
}

void DocumentEditor::SetUpView() {
    caretPeriod_ = Call(SCI_GETCARETPERIOD);
    Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    Call(SCI_SETEOLMODE, SC_EOL_CRLF);
    // Pasted and dropped text gets CR LF breaks, so every break in the buffer is one.
    Call(SCI_SETPASTECONVERTENDINGS, 1);
    // Only the notifications before a change: each brings SCEN_CHANGE, which tells of the change.
    // The component's Qt layer would copy and convert the text of every change that it is told of
    // afterwards, and count the characters up to it.
    Call(SCI_SETMODEVENTMASK, SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE);
    for (int margin = 0; margin < 5; ++margin)
        Call(SCI_SETMARGINWIDTHN, uintptr_t(margin), 0);
    Call(SCI_SETSCROLLWIDTH, 1);
    Call(SCI_SETSCROLLWIDTHTRACKING, 1);
    Call(SCI_SETLAYOUTCACHE, SC_CACHE_PAGE);
    Call(SCI_USEPOPUP, SC_POPUP_NEVER);
    Call(SCI_SETLEXER, SCLEX_CONTAINER);
    // Keys of a programmer's editor that a document editor does not have (duplicate, cut or swap
    // lines, change case); Ctrl+L, Ctrl+D and Ctrl+T stay free for the menus.
    for (int key : {'D', 'L', 'T', 'U'}) {
        Call(SCI_CLEARCMDKEY, uintptr_t(key | (SCMOD_CTRL << 16)));
        Call(SCI_CLEARCMDKEY, uintptr_t(key | ((SCMOD_CTRL | SCMOD_SHIFT) << 16)));
    }
}

// --- The text ------------------------------------------------------------------------------------

std::string_view DocumentEditor::Text() const {
    const auto* data = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return data == nullptr ? std::string_view() : std::string_view(data, size_t(Length()));
}

std::string_view DocumentEditor::Range(long start, long length) const {
    const long size = Length();
    start = std::clamp(start, 0L, size);
    length = std::clamp(length, 0L, size - start);
    if (length == 0) return {};
    const auto* data =
        reinterpret_cast<const char*>(Call(SCI_GETRANGEPOINTER, uintptr_t(start), length));
    return data == nullptr ? std::string_view() : std::string_view(data, size_t(length));
}

long DocumentEditor::Length() const {
    return Call(SCI_GETLENGTH);
}

std::string DocumentEditor::Bytes() const {
    return EncodeDocument(Text(), encoding_);
}

std::string DocumentEditor::TextOf(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return NormalizeLineBreaks(std::string_view(utf8.constData(), size_t(utf8.size())));
}

std::string DocumentEditor::ToEditorText(const QString& text, bool* storable) const {
    std::string result = TextOf(text);
    bool lossless = true;
    if (encoding_ == TextEncoding::Windows1252) {
        const std::string encoded = EncodeDocument(result, encoding_, &lossless);
        if (!lossless) {
            result.clear();
            AppendDecoded(encoded, encoding_, result);
        }
    }
    if (storable != nullptr) *storable = lossless;
    return result;
}

QString DocumentEditor::DecodePiece(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// --- Loads ---------------------------------------------------------------------------------------

DocumentEditor::LoadOutcome DocumentEditor::Load(std::string bytes, ProgressObserver& progress) {
    try {
        // Three passes over the bytes, each a piece at a time with a look at the stop request in
        // between (which also lets the window repaint): are they UTF-8, how long is their text,
        // and the filling of the document.
        const long pieces = long((bytes.size() + kLoadPiece - 1) / kLoadPiece);
        progress.SetMax(3 * pieces);
        long step = 0;
        auto eachPiece = [&](auto&& work) {  // false: stopped
            for (size_t start = 0; start < bytes.size();) {
                progress.SetValue(step++);
                if (progress.ShouldStop()) return false;
                const size_t end = PieceEnd(bytes, start, kLoadPiece);
                if (!work(std::string_view(bytes).substr(start, end - start))) break;
                start = end;
            }
            return true;
        };
        bool utf8 = true;
        if (!eachPiece([&](std::string_view piece) { return utf8 = IsValidUtf8(piece); }))
            return LoadOutcome::Stopped;
        const TextEncoding encoding = utf8 ? TextEncoding::Utf8 : TextEncoding::Windows1252;
        step = pieces;
        uint64_t length = 0;
        if (!eachPiece([&](std::string_view piece) {
                length += DecodedLength(piece, encoding);
                return true;
            }))
            return LoadOutcome::Stopped;
        if (length > CurrentDocumentLimits().maximum) return LoadOutcome::TooLarge;
        // The document is filled off screen, so the editor keeps showing (and holding) its own
        // until the new one is complete.
        QsciScintillaBase loader;
        if (!StartDocument(loader, length,
                           length >= kStyledDocumentLimit ? SC_DOCUMENTOPTION_STYLES_NONE : 0))
            return LoadOutcome::OutOfMemory;

        std::string decoded;
        bool full = false;
        if (!eachPiece([&](std::string_view raw) {
                std::string_view text = raw;
                if (!IsEditorText(raw, encoding)) {
                    decoded.clear();
                    AppendDecoded(raw, encoding, decoded);
                    text = decoded;
                }
                loader.SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                                     text.data());
                full = loader.SendScintilla(SCI_GETSTATUS) != SC_STATUS_OK;
                return !full;
            }))
            return LoadOutcome::Stopped;
        if (full) return LoadOutcome::OutOfMemory;
        progress.SetValue(3 * pieces);
        if (progress.ShouldStop()) return LoadOutcome::Stopped;
        std::string().swap(bytes);
        std::string().swap(decoded);
        loader.SendScintilla(SCI_EMPTYUNDOBUFFER);
        loader.SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
        TakeDocument(loader, encoding);
        return LoadOutcome::Loaded;
    } catch (const std::bad_alloc&) {
        return LoadOutcome::OutOfMemory;
    }
}

void DocumentEditor::TakeDocument(QsciScintillaBase& loader, TextEncoding encoding) {
    void* document = loader.SendScintillaPtrResult(SCI_GETDOCPOINTER);
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);  // the loader's reference ends with it
    Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    Call(SCI_SETEOLMODE, SC_EOL_CRLF);
    Call(SCI_SETSAVEPOINT);
    if (characterIndex_) Call(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    encoding_ = encoding;
    formats_.clear();
    emit TextChanged();
}

void DocumentEditor::LoadBytes(std::string_view bytes) {
    Load(std::string(bytes), NoProgress());
}

void DocumentEditor::LoadRuns(const std::vector<RtfRun>& runs) {
    std::string text;
    std::vector<CharFormat> formats;
    std::vector<size_t> ends;
    for (const RtfRun& run : runs) {
        AppendDecoded(run.text, TextEncoding::Utf8, text);
        CharFormat format;
        format.bold = run.bold;
        format.italic = run.italic;
        format.underline = run.underline;
        format.halfPoints = run.halfPoints;
        format.rgb = run.rgb;
        format.font = run.font;
        formats.push_back(std::move(format));
        ends.push_back(text.size());
    }
    QsciScintillaBase loader;
    StartDocument(loader, text.size(), 0);
    loader.SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.size()), text.data());
    loader.SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    TakeDocument(loader, TextEncoding::Utf8);
    std::string styles(text.size(), '\0');
    size_t start = 0;
    for (size_t i = 0; i < formats.size(); ++i) {
        std::fill(styles.begin() + long(start), styles.begin() + long(ends[i]),
                  char(StyleFor(formats[i])));
        start = ends[i];
    }
    Call(SCI_STARTSTYLING, 0, 0xFF);
    SendScintilla(SCI_SETSTYLINGEX, static_cast<unsigned long>(styles.size()), styles.data());
}

void DocumentEditor::NewDocument() {
    void* document = reinterpret_cast<void*>(Call(SCI_CREATEDOCUMENT, 0, 0));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, document);
    Call(SCI_SETCODEPAGE, SC_CP_UTF8);
    Call(SCI_SETEOLMODE, SC_EOL_CRLF);
    if (characterIndex_) Call(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    encoding_ = TextEncoding::Utf8;
    formats_.clear();
    emit TextChanged();
}

bool DocumentEditor::HasStyleStorage() const {
    return (Call(SCI_GETDOCUMENTOPTIONS) & SC_DOCUMENTOPTION_STYLES_NONE) == 0;
}

// --- Edits ---------------------------------------------------------------------------------------

void DocumentEditor::ReplaceRange(long start, long end, std::string_view text) {
    const long size = Length();
    start = std::clamp(start, 0L, size);
    end = std::clamp(end, start, size);
    Call(SCI_BEGINUNDOACTION);
    Call(SCI_SETTARGETRANGE, uintptr_t(start), end);
    SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(text.size()),
                  text.empty() ? "" : text.data());
    Call(SCI_ENDUNDOACTION);
    const long after = start + long(text.size());
    SetSelection(after, after);
}

void DocumentEditor::ReplaceSelectionFormatted(const std::vector<FormattedRun>& runs) {
    std::string text;
    std::string styles;
    const bool styled = HasStyleStorage();
    for (const FormattedRun& run : runs) {
        text += run.text;
        if (styled) styles.append(run.text.size(), char(StyleFor(run.format)));
    }
    const long start = SelectionStart();
    ReplaceRange(start, SelectionEnd(), text);
    if (styled && !styles.empty()) {
        Call(SCI_STARTSTYLING, uintptr_t(start), 0xFF);
        SendScintilla(SCI_SETSTYLINGEX, static_cast<unsigned long>(styles.size()), styles.data());
    }
}

CharFormat DocumentEditor::FormatAt(long position) const {
    const int style = int(Call(SCI_GETSTYLEAT, uintptr_t(std::max(0L, position))));
    const int index = style <= kFirstOwnStyles ? style - 1 : style - 9;
    if (style <= 0 || (style > kFirstOwnStyles && style < 40) || index >= int(formats_.size()))
        return {};
    return formats_[size_t(index)];
}

void DocumentEditor::EmptyUndoBuffer() {
    Call(SCI_EMPTYUNDOBUFFER);
}

bool DocumentEditor::CanUndo() const {
    return Call(SCI_CANUNDO) != 0;
}

// --- Selection and caret -------------------------------------------------------------------------

long DocumentEditor::SelectionStart() const {
    return Call(SCI_GETSELECTIONSTART);
}

long DocumentEditor::SelectionEnd() const {
    return Call(SCI_GETSELECTIONEND);
}

void DocumentEditor::SetSelection(long anchor, long caret) {
    Call(SCI_SETSEL, uintptr_t(anchor), caret);
}

long DocumentEditor::Caret() const {
    return Call(SCI_GETCURRENTPOS);
}

void DocumentEditor::EnsureCaretVisible() {
    Call(SCI_SCROLLCARET);
}

// --- View ----------------------------------------------------------------------------------------

void DocumentEditor::SetWrapped(bool on) {
    Call(SCI_SETWRAPMODE, on ? SC_WRAP_WORD : SC_WRAP_NONE);
}

bool DocumentEditor::IsWrapped() const {
    return Call(SCI_GETWRAPMODE) != SC_WRAP_NONE;
}

long DocumentEditor::LongestLine() const {
    const std::string_view text = Text();
    long longest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
        const size_t end =
            found == nullptr ? text.size() : size_t(static_cast<const char*>(found) - text.data());
        size_t length = end - start;
        if (found != nullptr && length > 0 && text[end - 1] == '\r') --length;
        longest = std::max(longest, long(length));
        if (found == nullptr) break;
        start = end + 1;
    }
    return longest;
}

void DocumentEditor::SetCaretBlinking(bool blinking) {
    Call(SCI_SETCARETPERIOD, blinking ? uintptr_t(caretPeriod_) : 0);
}

bool DocumentEditor::IsCaretBlinking() const {
    return Call(SCI_GETCARETPERIOD) != 0;
}

void DocumentEditor::SetLeftMargin(int pixels) {
    Call(SCI_SETMARGINLEFT, 0, pixels);
}

bool DocumentEditor::isReadOnly() const {
    return Call(SCI_GETREADONLY) != 0;
}

void DocumentEditor::setReadOnly(bool readOnly) {
    Call(SCI_SETREADONLY, readOnly ? 1 : 0);
}

bool DocumentEditor::overwriteMode() const {
    return Call(SCI_GETOVERTYPE) != 0;
}

void DocumentEditor::setOverwriteMode(bool overwrite) {
    Call(SCI_SETOVERTYPE, overwrite ? 1 : 0);
}

void DocumentEditor::KeepCharacterIndex() const {
    if (characterIndex_) return;
    Call(SCI_ALLOCATELINECHARACTERINDEX, SC_LINECHARACTERINDEX_UTF16);
    characterIndex_ = true;
}

void DocumentEditor::undo() {
    Call(SCI_UNDO);
}

void DocumentEditor::cut() {
    Call(SCI_CUT);
}

void DocumentEditor::copy() {
    Call(SCI_COPY);
}

void DocumentEditor::paste() {
    Call(SCI_PASTE);
}

void DocumentEditor::selectAll() {
    Call(SCI_SELECTALL);
}

// --- Styles --------------------------------------------------------------------------------------

void DocumentEditor::ApplyStyles() {
    const QFont base = font();
    const QByteArray face = QFontInfo(base).family().toUtf8();
    const double points = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    CallText(SCI_STYLESETFONT, STYLE_DEFAULT, face.constData());
    Call(SCI_STYLESETSIZEFRACTIONAL, STYLE_DEFAULT, std::lround(points * 100));
    Call(SCI_STYLESETFORE, STYLE_DEFAULT, ToBgr(palette().color(QPalette::Text)));
    Call(SCI_STYLESETBACK, STYLE_DEFAULT, ToBgr(palette().color(QPalette::Base)));
    Call(SCI_STYLECLEARALL);  // every style starts as the default
    for (size_t i = 0; i < formats_.size(); ++i)
        ApplyFormat(StyleNumber(i), formats_[i]);
    Call(SCI_SETSELFORE, 1, ToBgr(palette().color(QPalette::HighlightedText)));
    Call(SCI_SETSELBACK, 1, ToBgr(palette().color(QPalette::Highlight)));
    Call(SCI_SETCARETFORE, ToBgr(palette().color(QPalette::Text)));
}

void DocumentEditor::ApplyFormat(int style, const CharFormat& format) {
    const QFont base = font();
    const double points = base.pointSizeF() > 0 ? base.pointSizeF() : 10.0;
    const QFont face = format.font.empty() ? base : QFont(QString::fromStdString(format.font));
    CallText(SCI_STYLESETFONT, uintptr_t(style), QFontInfo(face).family().toUtf8().constData());
    Call(SCI_STYLESETSIZEFRACTIONAL, uintptr_t(style),
         format.halfPoints > 0 ? format.halfPoints * 50L : std::lround(points * 100));
    Call(SCI_STYLESETBOLD, uintptr_t(style), format.bold ? 1 : 0);
    Call(SCI_STYLESETITALIC, uintptr_t(style), format.italic ? 1 : 0);
    Call(SCI_STYLESETUNDERLINE, uintptr_t(style), format.underline ? 1 : 0);
    Call(SCI_STYLESETFORE, uintptr_t(style),
         format.rgb >= 0 ? RgbToBgr(format.rgb) : ToBgr(palette().color(QPalette::Text)));
    Call(SCI_STYLESETBACK, uintptr_t(style),
         format.background >= 0 ? RgbToBgr(format.background)
                                : ToBgr(palette().color(QPalette::Base)));
}

int DocumentEditor::StyleFor(const CharFormat& format) {
    if (format == CharFormat{}) return 0;
    const auto found = std::find(formats_.begin(), formats_.end(), format);
    if (found != formats_.end()) return StyleNumber(size_t(found - formats_.begin()));
    if (formats_.size() >= size_t(kMaxFormats)) return 0;  // more looks than styles: plain
    formats_.push_back(format);
    ApplyFormat(StyleNumber(formats_.size() - 1), format);
    return StyleNumber(formats_.size() - 1);
}

// --- Events --------------------------------------------------------------------------------------

bool DocumentEditor::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && !isReadOnly() &&
        OwnsShortcut(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return QsciScintillaBase::event(event);
}

void DocumentEditor::changeEvent(QEvent* event) {
    QsciScintillaBase::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange)
        ApplyStyles();
}

void DocumentEditor::contextMenuEvent(QContextMenuEvent* event) {
    if (contextMenuPolicy() == Qt::CustomContextMenu) {
        emit customContextMenuRequested(viewport()->mapTo(this, event->pos()));
        event->accept();
        return;
    }
    QsciScintillaBase::contextMenuEvent(event);
}

QMimeData* DocumentEditor::toMimeData(const QByteArray& text, bool rectangular) const {
    if (rectangular) return QsciScintillaBase::toMimeData(text, rectangular);
    return new EditorMimeData(text);
}

void DocumentEditor::InsertUrls(const QUrl& url) {
    // A file dropped from a file manager goes in as its path, other links as their address.
    ReplaceRange(SelectionStart(), SelectionEnd(),
                 TextOf(url.isLocalFile() ? url.toLocalFile() : url.toString()));
}

}  // namespace morv
