// What the asset tools' command lines share: arguments, reading sources, writing outputs and
// reporting "FILE:LINE: problem".
#pragma once

#include <string>

#include "platform/bytes.h"
#include "tools/source_text.h"

namespace korel::tools {

struct ToolArgs {
    bool disassemble = false;  // -d: binary file back to text
    std::string input;
    std::string output;  // -o, or empty
};

// Parses "[-d] INPUT [-o OUTPUT]". Prints the usage and returns false on anything else.
bool parseToolArgs(int argc, char** argv, const char* usage, ToolArgs& out);

// The path with its extension (after the last dot of the file name) replaced.
std::string replaceExtension(const std::string& path, const std::string& extension);
// The file name without folder and extension.
std::string fileStem(const std::string& path);
// The folder part of a path ("." when there is none).
std::string folderOf(const std::string& path);

// Prints "FILE:LINE: problem" (or "FILE: problem" for line 0) and returns 1.
int report(const std::string& file, const Diagnostic& d);
int report(const std::string& file, const std::string& message);

bool readInput(const std::string& path, Bytes& out);
// Writes the bytes; on failure prints the path and the error and returns false.
bool writeOutput(const std::string& path, const Bytes& bytes);
// Writes text to the path, or to standard output when the path is empty.
bool writeText(const std::string& path, const std::string& text);

}  // namespace korel::tools
