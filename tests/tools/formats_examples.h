// Reads the published examples out of tools/FORMATS.md, so the tests keep them working.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace korel::test {

// The fenced code blocks of FORMATS.md whose first line starts with `prefix`.
inline std::vector<std::string> formatsExamples(const std::string& prefix) {
    std::ifstream in(KOREL_FORMATS_MD);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    std::vector<std::string> blocks;
    for (size_t at = text.find("```\n"); at != std::string::npos;) {
        const size_t start = at + 4;
        const size_t end = text.find("```", start);
        if (end == std::string::npos) break;
        const std::string block = text.substr(start, end - start);
        if (block.rfind(prefix, 0) == 0) blocks.push_back(block);
        at = text.find("```\n", end + 3);
    }
    return blocks;
}

}  // namespace korel::test
