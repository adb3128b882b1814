// Argument parsing, file reading and writing, and error reports for the asset tools.
#include "tools/cli_support.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"

namespace korel::tools {

bool parseToolArgs(int argc, char** argv, const char* usage, ToolArgs& out) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "-d") {
            out.disassemble = true;
        } else if (a == "-o" && i + 1 < argc) {
            out.output = argv[++i];
        } else if (a == "-h" || a == "--help" || (a.size() > 1 && a[0] == '-') ||
                   !out.input.empty()) {
            std::fputs(usage, stderr);
            return false;
        } else {
            out.input = a;
        }
    }
    if (out.input.empty()) {
        std::fputs(usage, stderr);
        return false;
    }
    return true;
}

std::string replaceExtension(const std::string& path, const std::string& extension) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        return path.substr(0, dot) + extension;
    }
    return path + extension;
}

std::string fileStem(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

int report(const std::string& file, const Diagnostic& d) {
    if (d.line > 0) {
        std::fprintf(stderr, "%s:%d: %s\n", file.c_str(), d.line, d.message.c_str());
    } else {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), d.message.c_str());
    }
    return 1;
}

int report(const std::string& file, const std::string& message) {
    return report(file, Diagnostic{0, message});
}

bool readInput(const std::string& path, Bytes& out) {
    const int err = readWholeFile(path, out, 16u << 20);
    if (err == 0) return true;
    report(path, err == kErrNoFile || err == kErrNoPath
                     ? std::string("cannot find the file")
                     : "cannot read the file (error " + std::to_string(err) + ")");
    return false;
}

bool writeOutput(const std::string& path, const Bytes& bytes) {
    const int err = writeFileReplacing(path, bytes);
    if (err == 0) return true;
    report(path, "cannot write the file (error " + std::to_string(err) + ")");
    return false;
}

bool writeText(const std::string& path, const std::string& text) {
    if (path.empty()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0;
    }
    return writeOutput(path, Bytes(text.begin(), text.end()));
}

}  // namespace korel::tools
