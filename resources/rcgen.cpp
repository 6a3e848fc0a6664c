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
        if (c == '\n') { ++line; ++i; lineStart = true; continue; }
        if (std::isspace(static_cast<unsigned char>(c))) { ++i; continue; }
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
                    if (i < s.size() && s[i] == '"') { text += '"'; ++i; continue; }
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
        if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
        else if (c >= 0x80) throw std::runtime_error("invalid UTF-8 in a string");
        if (extra && i + extra >= utf8.size())
            throw std::runtime_error("truncated UTF-8 in a string");
        for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (utf8[i + k] & 0x3F);
        i += 1 + extra;
        char buf[16];
        if (cp == '"' || cp == '\\') { out += '\\'; out += static_cast<char>(cp); }
        else if (cp == '\n') out += "\\n";
        else if (cp == '\t') out += "\\t";
        else if (cp >= 0x20 && cp < 0x7F) out += static_cast<char>(cp);
        else {
            std::snprintf(buf, sizeof buf, cp > 0xFFFF ? "\\U%08X" : "\\u%04X", cp);
            out += buf;
        }
    }
    return out;
}

class Parser {
public:
    Parser(std::vector<Token> tokens, std::map<std::string, long> defines)
        : t_(std::move(tokens)), defs_(std::move(defines)) {}

    std::map<long, std::string> strings;

    void parse() {
        while (i_ < t_.size()) {
            const std::string word = expectWord();
            if (word == "STRINGTABLE") parseStringTable();
            else if (word == "LANGUAGE") { value(); expect(","); value(); }
            else skipResource();
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
    bool atWord(const char* w) const { return i_ < t_.size() && t_[i_].kind == Token::Word && t_[i_].text == w; }
    std::string expectWord() {
        if (peek().kind != Token::Word) fail("expected a word, found '" + peek().text + "'");
        return t_[i_++].text;
    }
    void expect(const char* p) {
        if (peek().kind != Token::Punct || peek().text != p) fail(std::string("expected '") + p + "'");
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
            if (atWord("BEGIN")) ++depth;
            else if (atWord("END")) --depth;
            ++i_;
        } while (depth > 0);
    }
};

void writeSource(const std::string& path, const Parser& p) {
    std::ostringstream o;
    o << "// Generated from the module's resource script by rcgen. Do not edit.\n"
         "#include <resources.h>\n\n"
         "namespace {\n\n"
         "const StringResourceEntry kStrings[] = {\n";
    for (const auto& [id, text] : p.strings)
        o << "    {" << id << ", L\"" << wideLiteral(text) << "\"},\n";
    o << "};\n\n"
         "// Registers the table for this module while it is loaded.\n"
         "struct StringTableRegistration {\n"
         "    StringTableRegistration() {\n"
         "        RegisterModuleStrings(kStrings, kStrings, sizeof kStrings / sizeof kStrings[0]);\n"
         "    }\n"
         "    ~StringTableRegistration() { UnregisterModuleStrings(kStrings); }\n"
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
