// Tokenizing, quoting and number parsing for the tools' text forms.
#include "tools/source_text.h"

#include <cstdio>

namespace korel::tools {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isSeparator(char c) {
    return c == ' ' || c == '\t' || c == ',' || c == '\r';
}

}  // namespace

bool tokenizeLine(std::string_view line, std::vector<Token>& out, std::string& error) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (isSeparator(c)) {
            ++i;
            continue;
        }
        // A comment, except for a colour #rrggbb.
        if (c == '#') {
            bool colour = i + 7 <= line.size();
            for (size_t k = 1; colour && k < 7; ++k) colour = hexDigit(line[i + k]) >= 0;
            if (!colour ||
                (i + 7 < line.size() && !isSeparator(line[i + 7]) && line[i + 7] != '#')) {
                break;
            }
            out.push_back(Token{Token::Word, std::string(line.substr(i, 7))});
            i += 7;
            continue;
        }
        Token t;
        if (c == '"' || c == '\'') {
            t.kind = c == '"' ? Token::String : Token::Chars;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char d = line[i++];
                if (d == c) {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    t.text.push_back(d);
                    continue;
                }
                if (i >= line.size()) break;
                const char e = line[i++];
                if (e == '\\' || e == '"' || e == '\'') {
                    t.text.push_back(e);
                } else if (e == 'x' && i + 1 < line.size() && hexDigit(line[i]) >= 0 &&
                           hexDigit(line[i + 1]) >= 0) {
                    t.text.push_back(char(hexDigit(line[i]) * 16 + hexDigit(line[i + 1])));
                    i += 2;
                } else {
                    error = std::string("unknown escape \\") + e;
                    return false;
                }
            }
            if (!closed) {
                error = std::string("unterminated ") + (c == '"' ? "string" : "quoted field");
                return false;
            }
        } else {
            while (i < line.size() && !isSeparator(line[i]) && line[i] != '#' && line[i] != '"') {
                t.text.push_back(line[i++]);
            }
        }
        out.push_back(std::move(t));
    }
    return true;
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        lines.push_back(l);
        if (end == text.size()) break;
        start = end + 1;
    }
    return lines;
}

std::string quote(std::string_view bytes, char mark) {
    std::string s(1, mark);
    for (const char ch : bytes) {
        const auto c = uint8_t(ch);
        if (ch == mark || ch == '\\') {
            s.push_back('\\');
            s.push_back(ch);
        } else if (c < 0x20 || c > 0x7E) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            s += buf;
        } else {
            s.push_back(ch);
        }
    }
    s.push_back(mark);
    return s;
}

bool parseInt(std::string_view text, long long& out) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || text.size() - i > 12) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    out = negative ? -v : v;
    return true;
}

bool parseHexByte(std::string_view text, uint8_t& out) {
    if (text.size() == 4 && (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X")) {
        text.remove_prefix(2);
    }
    if (text.size() != 2 || hexDigit(text[0]) < 0 || hexDigit(text[1]) < 0) return false;
    out = uint8_t(hexDigit(text[0]) * 16 + hexDigit(text[1]));
    return true;
}

std::string hexBytes(std::span<const uint8_t> bytes) {
    std::string s;
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        s += buf;
    }
    return s;
}

std::string fieldText(std::span<const uint8_t> field) {
    size_t n = field.size();
    while (n > 0 && field[n - 1] == 0) --n;
    return std::string(reinterpret_cast<const char*>(field.data()), n);
}

}  // namespace korel::tools
