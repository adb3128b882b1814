// Reading and editing the desktop screen saver's settings file.
#include "persist/saver_settings.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace korel {

namespace {

struct Line {
    size_t begin = 0, end = 0;  // the line without its line end
    size_t next = 0;            // where the following line starts
};

std::vector<Line> splitLines(const std::string& text) {
    std::vector<Line> lines;
    size_t at = 0;
    while (at < text.size()) {
        Line l;
        l.begin = at;
        const size_t nl = text.find('\n', at);
        l.end = nl == std::string::npos ? text.size() : nl;
        l.next = nl == std::string::npos ? text.size() : nl + 1;
        size_t e = l.end;
        if (e > l.begin && text[e - 1] == '\r') --e;
        l.end = e;
        lines.push_back(l);
        at = l.next;
    }
    return lines;
}

std::string trim(const std::string& s) {
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

// The resource a top-level line sets ("" for comments, blanks and continuations).
std::string resourceName(const std::string& line) {
    size_t a = 0;
    while (a < line.size() && (line[a] == ' ' || line[a] == '\t')) ++a;
    if (a < line.size() && line[a] == '*') ++a;
    size_t b = a;
    while (b < line.size() && (std::isalnum(static_cast<unsigned char>(line[b])) || line[b] == '.' || line[b] == '_'))
        ++b;
    if (b == a || b >= line.size() || line[b] != ':') return {};
    if (line[a] == '#' || line[a] == '!') return {};
    return line.substr(a, b - a);
}

bool continues(const std::string& line) { return !line.empty() && line.back() == '\\'; }

// The resources' lines: [name] = index of its first line, and the lines of "programs".
struct Layout {
    std::vector<Line> lines;
    int mode = -1, selected = -1, timeout = -1;
    int programsFirst = -1, programsLast = -1;
};

Layout layoutOf(const std::string& text) {
    Layout l;
    l.lines = splitLines(text);
    for (size_t i = 0; i < l.lines.size(); ++i) {
        const std::string line = text.substr(l.lines[i].begin, l.lines[i].end - l.lines[i].begin);
        const std::string name = resourceName(line);
        const int at = int(i);
        if (name == "mode") l.mode = at;
        else if (name == "selected") l.selected = at;
        else if (name == "timeout") l.timeout = at;
        // A resource's value goes on over its continued lines.
        size_t last = i;
        while (last + 1 < l.lines.size() &&
               continues(text.substr(l.lines[last].begin, l.lines[last].end - l.lines[last].begin)))
            ++last;
        if (name == "programs") {
            l.programsFirst = at;
            l.programsLast = int(last);
        }
        i = last;
    }
    return l;
}

std::string lineText(const std::string& text, const Line& l) { return text.substr(l.begin, l.end - l.begin); }

std::string valueOf(const std::string& line) {
    const size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : trim(line.substr(colon + 1));
}

int parseTime(const std::string& v) {
    if (v.empty()) return -1;
    int parts[3] = {0, 0, 0};
    int n = 0;
    size_t at = 0;
    while (at <= v.size() && n < 3) {
        size_t colon = v.find(':', at);
        const std::string part = v.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        if (part.empty() || part.size() > 6) return -1;
        for (char c : part)
            if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        parts[n++] = std::atoi(part.c_str());
        if (colon == std::string::npos) break;
        at = colon + 1;
    }
    if (n == 1) return parts[0] * 60;  // a bare number is minutes
    if (n == 2) return parts[0] * 60 + parts[1];
    return parts[0] * 3600 + parts[1] * 60 + parts[2];
}

// The entries of the programs value: the lines joined without their continuations, cut at each
// literal "\n".
std::vector<std::string> entriesOf(const std::string& text, const Layout& l) {
    std::vector<std::string> entries;
    if (l.programsFirst < 0) return entries;
    std::string value;
    for (int i = l.programsFirst; i <= l.programsLast; ++i) {
        std::string line = lineText(text, l.lines[size_t(i)]);
        if (i == l.programsFirst) {
            const size_t colon = line.find(':');
            line = colon == std::string::npos ? std::string() : line.substr(colon + 1);
        }
        if (continues(line)) line.pop_back();
        value += line;
    }
    size_t at = 0;
    while (at < value.size()) {
        const size_t cut = value.find("\\n", at);
        const std::string entry = trim(value.substr(at, cut == std::string::npos ? std::string::npos : cut - at));
        if (!entry.empty()) entries.push_back(entry);
        if (cut == std::string::npos) break;
        at = cut + 2;
    }
    return entries;
}

// An entry's command: without "-", a visual ("GL:") and a quoted name.
std::string commandOf(std::string entry) {
    entry = trim(entry);
    if (!entry.empty() && entry[0] == '-') entry = trim(entry.substr(1));
    const size_t colon = entry.find(':');
    const size_t space = entry.find_first_of(" \t\"");
    if (colon != std::string::npos && (space == std::string::npos || colon < space)) entry = trim(entry.substr(colon + 1));
    if (!entry.empty() && entry[0] == '"') {
        const size_t close = entry.find('"', 1);
        entry = close == std::string::npos ? std::string() : trim(entry.substr(close + 1));
    }
    return entry;
}

// Replaces the value of the resource on line `index`, keeping its name and spacing; appends
// "name:\tvalue" when the file has no such line.
void setResource(std::string& text, int index, const char* name, const std::string& value) {
    if (index >= 0) {
        const std::vector<Line> lines = splitLines(text);
        const Line& l = lines[size_t(index)];
        const std::string line = lineText(text, l);
        size_t v = line.find(':') + 1;
        while (v < line.size() && (line[v] == ' ' || line[v] == '\t')) ++v;
        text.replace(l.begin + v, l.end - l.begin - v, value);
        return;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    text += std::string(name) + ":\t\t" + value + "\n";
}

}  // namespace

std::string saverTimeText(int seconds) {
    if (seconds < 0) seconds = 0;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d:%02d:%02d", seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buf;
}

SaverSettings parseSaverSettings(const std::string& text) {
    SaverSettings s;
    const Layout l = layoutOf(text);
    if (l.mode >= 0) s.mode = valueOf(lineText(text, l.lines[size_t(l.mode)]));
    if (l.selected >= 0) {
        const std::string v = valueOf(lineText(text, l.lines[size_t(l.selected)]));
        char* end = nullptr;
        const long n = std::strtol(v.c_str(), &end, 10);
        if (!v.empty() && end && *end == '\0' && n >= -1 && n < 100000) s.selected = int(n);
    }
    if (l.timeout >= 0) s.timeoutSeconds = parseTime(valueOf(lineText(text, l.lines[size_t(l.timeout)])));
    for (const std::string& e : entriesOf(text, l)) s.commands.push_back(commandOf(e));
    return s;
}

bool isOurLauncher(const std::string& command) {
    const std::string program = command.substr(0, command.find_first_of(" \t"));
    const size_t slash = program.rfind('/');
    const std::string base = slash == std::string::npos ? program : program.substr(slash + 1);
    return base.rfind("korel-saver-", 0) == 0;
}

bool saverRunsOurs(const SaverSettings& s) {
    if (s.mode == "off" || s.mode.empty()) return false;
    return s.selected >= 0 && size_t(s.selected) < s.commands.size() && isOurLauncher(s.commands[size_t(s.selected)]);
}

std::string installSaverText(const std::string& original, const std::string& launcher,
                             const std::string& label, int timeoutSeconds) {
    std::string text = original;
    const std::string entry = "\"" + label + "\" " + launcher + " --root";
    Layout l = layoutOf(text);
    const std::vector<std::string> entries = entriesOf(text, l);
    int index = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string cmd = commandOf(entries[i]);
        if (cmd.substr(0, cmd.find_first_of(" \t")) == launcher) index = int(i);
    }
    if (index < 0 && l.programsFirst >= 0) {
        // Our entry goes after the last one, whose line then continues.
        const Line last = l.lines[size_t(l.programsLast)];
        size_t next = last.next;
        if (!continues(lineText(text, last))) {
            const std::string mark = l.programsFirst == l.programsLast && entries.empty() ? "\t\\" : "\\";
            text.insert(last.end, mark);
            next += mark.size();
        }
        const bool lineEnded = next > 0 && text[next - 1] == '\n';
        std::string added = lineEnded ? std::string() : std::string(1, '\n');
        added.append("\t\t\t\t").append(entry).append("\t\\n\n");
        text.insert(next, added);
        index = int(entries.size());
    } else if (index < 0) {
        if (!text.empty() && text.back() != '\n') text += '\n';
        text += "programs:\t\\\n\t\t\t\t" + entry + "\t\\n\n";
        index = 0;
    }
    l = layoutOf(text);
    setResource(text, l.mode, "mode", "one");
    l = layoutOf(text);
    setResource(text, l.selected, "selected", std::to_string(index));
    l = layoutOf(text);
    setResource(text, l.timeout, "timeout", saverTimeText(timeoutSeconds));
    return text;
}

std::string switchOffSaverText(const std::string& original) {
    std::string text = original;
    const SaverSettings s = parseSaverSettings(text);
    Layout l = layoutOf(text);
    setResource(text, l.mode, "mode", "off");
    if (s.selected >= 0 && size_t(s.selected) < s.commands.size() && isOurLauncher(s.commands[size_t(s.selected)])) {
        l = layoutOf(text);
        setResource(text, l.selected, "selected", "-1");
    }
    return text;
}

}  // namespace korel
