// Build-time generator: reads the module's resource script and its identifier header and
// writes the C++ source that serves the same resources to the stand-in host on systems
// without a resource compiler. Keeps the .rc file the single source of every text.
//
//   rcgen <resource.h> <script.rc> <out.cpp>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// #define NAME number, as resource.h writes them.
std::map<std::string, long> readDefines(const std::string& text) {
    std::map<std::string, long> defs;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream ls(line);
        std::string directive, name, value;
        if (!(ls >> directive >> name >> value) || directive != "#define") continue;
        if (value.size() > 2 && value.front() == '(' && value.back() == ')')
            value = value.substr(1, value.size() - 2);
        try {
            defs[name] = std::stol(value, nullptr, 0);
        } catch (const std::exception&) {
        }
    }
    return defs;
}

struct Token {
    enum Kind { Word, String, Punct } kind;
    std::string text;  // a String token holds the decoded UTF-8 text
    int line;
};

// Splits a resource script into words, strings and punctuation; drops comments and
// preprocessor lines.
std::vector<Token> tokenize(const std::string& s) {
    std::vector<Token> out;
    int line = 1;
    size_t i = 0;
    bool lineStart = true;
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            ++i;
            lineStart = true;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (lineStart && c == '#') {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        lineStart = false;
        if (s.compare(i, 2, "//") == 0) {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        if (s.compare(i, 2, "/*") == 0) {
            const size_t end = s.find("*/", i + 2);
            if (end == std::string::npos) throw std::runtime_error("unterminated comment");
            for (size_t k = i; k < end; ++k) line += s[k] == '\n';
            i = end + 2;
            continue;
        }
        if (c == '"') {
            std::string text;
            ++i;
            for (;;) {
                if (i >= s.size()) throw std::runtime_error("unterminated string");
                const char d = s[i++];
                if (d == '"') {
                    if (i < s.size() && s[i] == '"') {
                        text += '"';
                        ++i;
                        continue;
                    }
                    break;
                }
                if (d == '\\' && i < s.size()) {
                    const char e = s[i++];
                    text += e == 'n' ? '\n' : e == 't' ? '\t' : e;
                    continue;
                }
                text += d;
            }
            out.push_back({Token::String, text, line});
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i;
            while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_'))
                ++j;
            out.push_back({Token::Word, s.substr(i, j - i), line});
            i = j;
            continue;
        }
        out.push_back({Token::Punct, std::string(1, c), line});
        ++i;
    }
    return out;
}

// UTF-8 to code points, written as a wide literal body.
std::string wideLiteral(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char c = utf8[i];
        unsigned cp = c;
        int extra = 0;
        if (c >= 0xF0) {
            cp = c & 0x07;
            extra = 3;
        } else if (c >= 0xE0) {
            cp = c & 0x0F;
            extra = 2;
        } else if (c >= 0xC0) {
            cp = c & 0x1F;
            extra = 1;
        } else if (c >= 0x80)
            throw std::runtime_error("invalid UTF-8 in a string");
        if (extra && i + extra >= utf8.size())
            throw std::runtime_error("truncated UTF-8 in a string");
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += 1 + extra;
        char buf[16];
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\n')
            out += "\\n";
        else if (cp == '\t')
            out += "\\t";
        else if (cp >= 0x20 && cp < 0x7F)
            out += static_cast<char>(cp);
        else {
            std::snprintf(buf, sizeof buf, cp > 0xFFFF ? "\\U%08X" : "\\u%04X", cp);
            out += buf;
        }
    }
    return out;
}

// Window styles a resource script may name; the script includes <windows.h> for the real
// resource compiler, which this generator does not read.
const std::map<std::string, long>& styleNames() {
    static const std::map<std::string, long> names = {
        {"WS_OVERLAPPED", 0x00000000L},
        {"WS_POPUP", 0x80000000L},
        {"WS_CHILD", 0x40000000L},
        {"WS_VISIBLE", 0x10000000L},
        {"WS_DISABLED", 0x08000000L},
        {"WS_CLIPSIBLINGS", 0x04000000L},
        {"WS_CLIPCHILDREN", 0x02000000L},
        {"WS_CAPTION", 0x00C00000L},
        {"WS_BORDER", 0x00800000L},
        {"WS_VSCROLL", 0x00200000L},
        {"WS_HSCROLL", 0x00100000L},
        {"WS_GROUP", 0x00020000L},
        {"WS_TABSTOP", 0x00010000L},
        {"WS_EX_TRANSPARENT", 0x20L},
        {"WS_EX_CLIENTEDGE", 0x200L},
        {"WS_EX_STATICEDGE", 0x20000L},
        {"DS_SETFONT", 0x40L},
        {"DS_3DLOOK", 0x4L},
        {"DS_FIXEDSYS", 0x8L},
        {"DS_CONTROL", 0x400L},
        {"DS_CENTER", 0x800L},
        {"SS_LEFT", 0x0L},
        {"SS_CENTER", 0x1L},
        {"SS_RIGHT", 0x2L},
        {"SS_NOPREFIX", 0x80L},
        {"SS_CENTERIMAGE", 0x200L},
        {"BS_PUSHBUTTON", 0x0L},
        {"BS_DEFPUSHBUTTON", 0x1L},
        {"BS_CHECKBOX", 0x2L},
        {"BS_AUTOCHECKBOX", 0x3L},
        {"BS_RADIOBUTTON", 0x4L},
        {"BS_GROUPBOX", 0x7L},
        {"BS_AUTORADIOBUTTON", 0x9L},
        {"BS_PUSHLIKE", 0x1000L},
        {"BS_NOTIFY", 0x4000L},
        {"CBS_SIMPLE", 0x1L},
        {"CBS_DROPDOWN", 0x2L},
        {"CBS_DROPDOWNLIST", 0x3L},
        {"CBS_SORT", 0x100L},
        {"CBS_HASSTRINGS", 0x200L},
        {"ES_LEFT", 0x0L},
        {"ES_CENTER", 0x1L},
        {"ES_RIGHT", 0x2L},
        {"ES_AUTOHSCROLL", 0x80L},
        {"ES_READONLY", 0x800L},
        {"ES_NUMBER", 0x2000L},
    };
    return names;
}

// What the resource compiler makes of one control statement: its window class, the style
// bits it always adds and whether the statement starts with a text.
struct ControlKind {
    const char* className;
    long defaultStyle;
    bool hasText;
};

const std::map<std::string, ControlKind>& controlKinds() {
    static const std::map<std::string, ControlKind> kinds = {
        {"LTEXT", {"Static", 0x0L | 0x00020000L, true}},
        {"RTEXT", {"Static", 0x2L | 0x00020000L, true}},
        {"CTEXT", {"Static", 0x1L | 0x00020000L, true}},
        {"GROUPBOX", {"Button", 0x7L, true}},
        {"PUSHBUTTON", {"Button", 0x0L | 0x00010000L, true}},
        {"DEFPUSHBUTTON", {"Button", 0x1L | 0x00010000L, true}},
        {"AUTOCHECKBOX", {"Button", 0x3L | 0x00010000L, true}},
        {"EDITTEXT", {"Edit", 0x0L | 0x00800000L | 0x00010000L, false}},
        {"COMBOBOX", {"ComboBox", 0x1L | 0x00010000L, false}},
    };
    return kinds;
}

constexpr long kChildVisible = 0x40000000L | 0x10000000L;

struct DialogControl {
    std::string className, text;
    long id = 0, style = 0, exStyle = 0;
    long x = 0, y = 0, cx = 0, cy = 0;
};

struct Dialog {
    long id = 0;
    long x = 0, y = 0, cx = 0, cy = 0;
    long style = 0, exStyle = 0;
    std::string caption, typeface;
    long pointSize = 0;
    std::vector<DialogControl> controls;
};

class Parser {
public:
    Parser(std::vector<Token> tokens, std::map<std::string, long> defines)
        : t_(std::move(tokens)), defs_(std::move(defines)) {}

    std::map<long, std::string> strings;
    std::vector<Dialog> dialogs;

    void parse() {
        while (i_ < t_.size()) {
            const std::string word = expectWord();
            if (word == "STRINGTABLE") {
                parseStringTable();
            } else if (word == "LANGUAGE") {
                value();
                expect(",");
                value();
            } else if (atWord("DIALOGEX") || atWord("DIALOG")) {
                parseDialog(word);
            } else {
                skipResource();
            }
        }
    }

private:
    std::vector<Token> t_;
    std::map<std::string, long> defs_;
    size_t i_ = 0;

    [[noreturn]] void fail(const std::string& what) const {
        const int line = i_ < t_.size() ? t_[i_].line : (t_.empty() ? 0 : t_.back().line);
        throw std::runtime_error("line " + std::to_string(line) + ": " + what);
    }
    const Token& peek() const {
        if (i_ >= t_.size()) fail("unexpected end of script");
        return t_[i_];
    }
    bool atWord(const char* w) const {
        return i_ < t_.size() && t_[i_].kind == Token::Word && t_[i_].text == w;
    }
    std::string expectWord() {
        if (peek().kind != Token::Word) fail("expected a word, found '" + peek().text + "'");
        return t_[i_++].text;
    }
    void expect(const char* p) {
        if (peek().kind != Token::Punct || peek().text != p)
            fail(std::string("expected '") + p + "'");
        ++i_;
    }
    // A number or a name defined in resource.h.
    long value() {
        const std::string w = expectWord();
        if (std::isdigit(static_cast<unsigned char>(w[0]))) return std::stol(w, nullptr, 0);
        const auto it = defs_.find(w);
        if (it == defs_.end()) fail("unknown identifier " + w);
        return it->second;
    }
    bool atPunct(const char* p) const {
        return i_ < t_.size() && t_[i_].kind == Token::Punct && t_[i_].text == p;
    }
    // A number, possibly negative, or a name from resource.h or the style table.
    long number() {
        if (atPunct("-")) {
            ++i_;
            return -number();
        }
        const std::string w = expectWord();
        if (std::isdigit(static_cast<unsigned char>(w[0]))) {
            std::string digits = w;
            if (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l'))
                digits.pop_back();
            return std::stol(digits, nullptr, 0);
        }
        if (const auto it = defs_.find(w); it != defs_.end()) return it->second;
        if (const auto it = styleNames().find(w); it != styleNames().end()) return it->second;
        --i_;
        fail("unknown identifier " + w);
    }
    // Style bits joined by '|'; NOT clears a bit from what the statement implies.
    void styleExpr(long& style) {
        for (;;) {
            if (atWord("NOT")) {
                ++i_;
                style &= ~number();
            } else {
                style |= number();
            }
            if (!atPunct("|")) return;
            ++i_;
        }
    }
    std::string text() {
        if (peek().kind != Token::String) fail("expected a string");
        return t_[i_++].text;
    }
    bool comma() {
        if (!atPunct(",")) return false;
        ++i_;
        return true;
    }
    void parseDialog(const std::string& name) {
        Dialog d;
        d.id = namedValue(name);
        const bool ex = expectWord() == "DIALOGEX";
        d.x = number();
        expect(",");
        d.y = number();
        expect(",");
        d.cx = number();
        expect(",");
        d.cy = number();
        if (ex && comma()) number();  // help ID
        while (!atWord("BEGIN")) {
            const std::string option = expectWord();
            if (option == "STYLE") {
                styleExpr(d.style);
            } else if (option == "EXSTYLE") {
                styleExpr(d.exStyle);
            } else if (option == "CAPTION") {
                d.caption = text();
            } else if (option == "FONT") {
                d.pointSize = number();
                expect(",");
                d.typeface = text();
                while (comma()) number();  // weight, italic, character set
            } else if (option == "LANGUAGE") {
                number();
                expect(",");
                number();
            } else {
                fail("unsupported dialog option " + option);
            }
        }
        ++i_;
        while (!atWord("END")) d.controls.push_back(parseControl());
        ++i_;
        for (const Dialog& other : dialogs) {
            if (other.id == d.id) fail("dialog " + std::to_string(d.id) + " defined twice");
        }
        dialogs.push_back(std::move(d));
    }
    DialogControl parseControl() {
        DialogControl c;
        const std::string statement = expectWord();
        if (statement == "CONTROL") {
            c.text = text();
            expect(",");
            c.id = number();
            expect(",");
            if (peek().kind == Token::String)
                c.className = text();
            else
                c.className = expectWord();
            expect(",");
            c.style = kChildVisible;
            styleExpr(c.style);
            expect(",");
            position(c);
            if (comma()) styleExpr(c.exStyle);
            return c;
        }
        const auto kind = controlKinds().find(statement);
        if (kind == controlKinds().end()) {
            --i_;
            fail("unsupported control statement " + statement);
        }
        if (kind->second.hasText) {
            c.text = text();
            expect(",");
        }
        c.id = number();
        expect(",");
        c.className = kind->second.className;
        c.style = kChildVisible | kind->second.defaultStyle;
        position(c);
        if (comma()) styleExpr(c.style);
        if (comma()) styleExpr(c.exStyle);
        return c;
    }
    void position(DialogControl& c) {
        c.x = number();
        expect(",");
        c.y = number();
        expect(",");
        c.cx = number();
        expect(",");
        c.cy = number();
    }
    long namedValue(const std::string& w) {
        if (std::isdigit(static_cast<unsigned char>(w[0]))) return std::stol(w, nullptr, 0);
        const auto it = defs_.find(w);
        if (it == defs_.end()) fail("dialogs are named by number or by a resource.h name: " + w);
        return it->second;
    }
    void parseStringTable() {
        while (!atWord("BEGIN")) ++i_;
        ++i_;
        while (!atWord("END")) {
            const long id = value();
            if (peek().kind == Token::Punct && peek().text == ",") ++i_;
            if (peek().kind != Token::String) fail("expected a string");
            if (!strings.emplace(id, t_[i_++].text).second)
                fail("string " + std::to_string(id) + " defined twice");
        }
        ++i_;
    }
    // Any other resource: skip to the end of its BEGIN ... END block.
    void skipResource() {
        while (!atWord("BEGIN")) ++i_, peek();
        int depth = 0;
        do {
            if (atWord("BEGIN"))
                ++depth;
            else if (atWord("END"))
                --depth;
            ++i_;
        } while (depth > 0);
    }
};

std::string hex(long v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lX", static_cast<unsigned long>(v) & 0xFFFFFFFFul);
    return buf;
}

// Dialog units fit a short in a real template; so must they here.
std::string unit(long v) {
    if (v < -32768 || v > 32767) throw std::runtime_error("dialog coordinate out of range");
    return std::to_string(v);
}

void writeDialogs(std::ostringstream& o, const Parser& p) {
    for (const Dialog& d : p.dialogs) {
        if (d.controls.empty()) continue;
        o << "const DialogItemResource kDialog" << d.id << "[] = {\n";
        for (const DialogControl& c : d.controls) {
            o << "    {" << hex(c.style) << ", " << hex(c.exStyle) << ", " << unit(c.x) << ", "
              << unit(c.y) << ", " << unit(c.cx) << ", " << unit(c.cy) << ", " << c.id << ", L\""
              << wideLiteral(c.className) << "\", L\"" << wideLiteral(c.text) << "\"},\n";
        }
        o << "};\n\n";
    }
    o << "const DialogResource kDialogs[] = {\n";
    for (const Dialog& d : p.dialogs) {
        o << "    {" << d.id << ", " << hex(d.style) << ", " << hex(d.exStyle) << ", " << unit(d.x)
          << ", " << unit(d.y) << ", " << unit(d.cx) << ", " << unit(d.cy) << ", L\""
          << wideLiteral(d.caption) << "\", " << d.pointSize << ", L\"" << wideLiteral(d.typeface)
          << "\", ";
        if (d.controls.empty())
            o << "nullptr, 0},\n";
        else
            o << "kDialog" << d.id << ", " << d.controls.size() << "},\n";
    }
    o << "};\n\n";
}

void writeSource(const std::string& path, const Parser& p) {
    std::ostringstream o;
    o << "// Generated from the module's resource script by rcgen. Do not edit.\n"
         "#include <resources.h>\n\n"
         "namespace {\n\n"
         "const StringResourceEntry kStrings[] = {\n";
    for (const auto& [id, text] : p.strings)
        o << "    {" << id << ", L\"" << wideLiteral(text) << "\"},\n";
    o << "};\n\n";
    if (!p.dialogs.empty()) writeDialogs(o, p);
    o << "// Registers the resources for this module while it is loaded.\n"
         "struct ResourceRegistration {\n"
         "    ResourceRegistration() {\n"
         "        RegisterModuleStrings(kStrings, kStrings, sizeof kStrings / sizeof "
         "kStrings[0]);\n";
    if (!p.dialogs.empty())
        o << "        RegisterModuleDialogs(kStrings, kDialogs, sizeof kDialogs / sizeof "
             "kDialogs[0]);\n";
    o << "    }\n"
         "    ~ResourceRegistration() {\n";
    if (!p.dialogs.empty()) o << "        UnregisterModuleDialogs(kStrings);\n";
    o << "        UnregisterModuleStrings(kStrings);\n"
         "    }\n"
         "} registration;\n\n"
         "}  // namespace\n";
    std::ofstream out(path, std::ios::binary);
    out << o.str();
    if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: rcgen <resource.h> <script.rc> <out.cpp>\n";
        return 2;
    }
    try {
        Parser parser(tokenize(readFile(argv[2])), readDefines(readFile(argv[1])));
        parser.parse();
        writeSource(argv[3], parser);
    } catch (const std::exception& e) {
        std::cerr << "rcgen: " << argv[2] << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}
