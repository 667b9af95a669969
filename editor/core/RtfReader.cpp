#include "editor/core/RtfReader.h"

#include <cctype>
#include <cstdlib>
#include <map>

#include "editor/core/DocumentText.h"
#include "helpers/core/TextUtil.h"

namespace morv {

namespace {

struct State {
    bool bold = false, italic = false, underline = false;
    int halfPoints = 0;
    int color = 0;  // index into the colour table; 0 = automatic
    int skipAfterUnicode = 1;
    int font = -1;      // number in the font table; -1 = the document's default font
    bool skip = false;  // inside a destination whose text is not document text
    bool colorTable = false;
    bool fontName = false;  // inside the font table, where text is a font's name
};

// Destinations whose contents are never part of the text.
bool IsIgnoredDestination(std::string_view word) {
    static constexpr std::string_view kIgnored[] = {
        "stylesheet",
        "info",
        "pict",
        "header",
        "footer",
        "headerl",
        "headerr",
        "footerl",
        "footerr",
        "object",
        "listtable",
        "listoverridetable",
        "rsidtbl",
        "generator",
        "xmlnstbl",
        "themedata",
        "colorschememapping",
        "latentstyles",
        "datastore",
        "fldinst",
        "filetbl",
        "revtbl",
        "footnote",
        "bkmkstart",
        "bkmkend",
        "nonshppict",
        "shp",
    };
    for (std::string_view ignored : kIgnored) {
        if (word == ignored) return true;
    }
    return false;
}

class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}

    std::vector<RtfRun> Read() {
        State state;
        std::vector<State> stack;
        size_t i = 0;
        while (i < in_.size()) {
            const char c = in_[i];
            if (c == '{') {
                stack.push_back(state);
                ++i;
            } else if (c == '}') {
                if (state.colorTable && !stack.empty() && !stack.back().colorTable) FinishColor();
                if (!stack.empty()) {
                    state = stack.back();
                    stack.pop_back();
                }
                ++i;
            } else if (c == '\\') {
                i = ControlWord(i + 1, state);
            } else if (c == '\r' || c == '\n') {
                ++i;
            } else {
                if (state.colorTable) {
                    if (c == ';') FinishColor();
                } else if (state.fontName) {
                    if (c == ';')
                        FinishFont();
                    else
                        fontText_ += c;
                } else if (!state.skip) {
                    std::string ch;
                    AppendUtf8(ch, Windows1252ToUnicode((unsigned char)c));
                    Emit(state, ch);
                }
                ++i;
            }
        }
        return std::move(runs_);
    }

  private:
    size_t ControlWord(size_t i, State& state) {
        if (i >= in_.size()) return i;
        const char c = in_[i];
        if (!std::isalpha((unsigned char)c)) {
            // Control symbols.
            switch (c) {
                case '\\':
                case '{':
                case '}':
                    if (!state.skip && !state.colorTable) Emit(state, std::string(1, c));
                    return i + 1;
                case '~':
                    if (!state.skip) Emit(state, "\xC2\xA0");
                    return i + 1;
                case '_':
                    if (!state.skip) Emit(state, "-");
                    return i + 1;
                case '*':
                    state.skip = true;  // an optional destination we do not know
                    state.fontName = false;
                    return i + 1;
                case '\'': {
                    if (i + 2 < in_.size() + 0 && i + 2 <= in_.size()) {
                        std::string hex(in_.substr(i + 1, 2));
                        char* end = nullptr;
                        long byte = std::strtol(hex.c_str(), &end, 16);
                        if (end == hex.c_str() + 2 && !state.skip && !state.colorTable) {
                            std::string ch;
                            AppendUtf8(ch, Windows1252ToUnicode((unsigned char)byte));
                            Emit(state, ch);
                        }
                    }
                    return i + 3;
                }
                case '\r':
                case '\n':
                    if (!state.skip) Emit(state, "\n");
                    return i + 1;
                default:
                    return i + 1;
            }
        }
        size_t start = i;
        while (i < in_.size() && std::isalpha((unsigned char)in_[i]))
            ++i;
        std::string_view word = in_.substr(start, i - start);
        bool hasParam = false;
        long param = 0;
        size_t numberStart = i;
        if (i < in_.size() && (in_[i] == '-' || std::isdigit((unsigned char)in_[i]))) {
            ++i;
            while (i < in_.size() && std::isdigit((unsigned char)in_[i]))
                ++i;
            param = std::strtol(std::string(in_.substr(numberStart, i - numberStart)).c_str(),
                                nullptr, 10);
            hasParam = true;
        }
        if (i < in_.size() && in_[i] == ' ') ++i;  // the delimiter blank belongs to the word
        Apply(word, hasParam, param, state, i);
        return i;
    }

    void Apply(std::string_view word, bool hasParam, long param, State& state, size_t& i) {
        const bool on = !hasParam || param != 0;
        if (IsIgnoredDestination(word)) {
            state.skip = true;
            state.fontName = false;
        } else if (word == "fonttbl") {
            state.skip = true;
            state.fontName = true;
        } else if (state.fontName) {
            if (word == "f" && hasParam) {
                fontNumber_ = param;
                fontText_.clear();
            }
        } else if (word == "deff" && hasParam) {
            defaultFont_ = param;
        } else if (word == "f") {
            state.font = hasParam ? int(param) : -1;
        } else if (word == "colortbl") {
            state.colorTable = true;
            colors_.clear();
            colors_.push_back(-1);  // entry 0 before the first ';' is "automatic"
            pending_ = 0;
            firstColor_ = true;
        } else if (state.colorTable) {
            if (word == "red")
                pending_ = (pending_ & 0x00FFFF) | (int64_t(param & 0xFF) << 16);
            else if (word == "green")
                pending_ = (pending_ & 0xFF00FF) | (int64_t(param & 0xFF) << 8);
            else if (word == "blue")
                pending_ = (pending_ & 0xFFFF00) | int64_t(param & 0xFF);
        } else if (word == "par" || word == "line" || word == "sect" || word == "page") {
            if (!state.skip) Emit(state, "\n");
        } else if (word == "tab") {
            if (!state.skip) Emit(state, "\t");
        } else if (word == "b") {
            state.bold = on;
        } else if (word == "i") {
            state.italic = on;
        } else if (word == "ul") {
            state.underline = on;
        } else if (word == "ulnone") {
            state.underline = false;
        } else if (word == "plain") {
            state.bold = state.italic = state.underline = false;
            state.halfPoints = 0;
            state.color = 0;
            state.font = -1;
        } else if (word == "fs") {
            state.halfPoints = hasParam && param > 0 && param < 4000 ? int(param) : 0;
        } else if (word == "cf") {
            state.color = hasParam ? int(param) : 0;
        } else if (word == "uc") {
            state.skipAfterUnicode = hasParam && param >= 0 ? int(param) : 1;
        } else if (word == "u" && hasParam) {
            long cp = param < 0 ? param + 65536 : param;
            if (!state.skip) {
                std::string ch;
                AppendUtf8(ch, (cp >= 0xD800 && cp <= 0xDFFF) ? char32_t(0xFFFD) : char32_t(cp));
                Emit(state, ch);
            }
            // Skip the replacement characters that follow for readers without Unicode.
            for (int k = 0; k < state.skipAfterUnicode && i < in_.size(); ++k) {
                if (in_[i] == '\\' && i + 1 < in_.size() && in_[i + 1] == '\'')
                    i += 4;
                else if (in_[i] == '{' || in_[i] == '}')
                    break;
                else
                    ++i;
            }
        }
    }

    void FinishColor() {
        if (firstColor_) {
            firstColor_ = false;  // the first ';' closes the automatic entry
        } else {
            colors_.push_back(pending_);
        }
        pending_ = 0;
    }

    void FinishFont() {
        const std::string_view name = TrimBlanks(fontText_);
        if (fontNumber_ >= 0 && !name.empty()) fonts_[fontNumber_] = std::string(name);
        fontText_.clear();
    }

    std::string FontOf(const State& state) const {
        const auto found = fonts_.find(state.font >= 0 ? state.font : defaultFont_);
        return found == fonts_.end() ? std::string() : found->second;
    }

    void Emit(const State& state, const std::string& text) {
        int64_t rgb = -1;
        if (state.color > 0 && size_t(state.color) < colors_.size())
            rgb = colors_[size_t(state.color)];
        std::string font = FontOf(state);
        if (!runs_.empty()) {
            RtfRun& last = runs_.back();
            if (last.bold == state.bold && last.italic == state.italic &&
                last.underline == state.underline && last.halfPoints == state.halfPoints &&
                last.rgb == rgb && last.font == font) {
                last.text += text;
                return;
            }
        }
        runs_.push_back(RtfRun{text, state.bold, state.italic, state.underline, state.halfPoints,
                               rgb, std::move(font)});
    }

    std::string_view in_;
    std::vector<RtfRun> runs_;
    std::vector<int64_t> colors_{-1};
    int64_t pending_ = 0;
    bool firstColor_ = true;
    std::map<long, std::string> fonts_;  // the font table: number -> face name
    long fontNumber_ = -1;
    long defaultFont_ = -1;
    std::string fontText_;
};

}  // namespace

bool LooksLikeRtf(std::string_view bytes) {
    size_t i = bytes.find_first_not_of(" \t\r\n");
    return i != std::string_view::npos && bytes.substr(i, 5) == "{\\rtf";
}

std::vector<RtfRun> ReadRtf(std::string_view bytes) {
    std::vector<RtfRun> runs = Reader(bytes).Read();
    // The paragraph mark that ends the last paragraph is not a line of its own.
    if (!runs.empty() && !runs.back().text.empty() && runs.back().text.back() == '\n') {
        runs.back().text.pop_back();
        if (runs.back().text.empty()) runs.pop_back();
    }
    return runs;
}

std::string RtfPlainText(const std::vector<RtfRun>& runs) {
    std::string text;
    for (const RtfRun& run : runs)
        text += run.text;
    return text;
}

}  // namespace morv
