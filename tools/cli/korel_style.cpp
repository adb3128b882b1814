// korel-style: builds .sty styles from named settings, and writes styles back as settings.
#include <string>

#include "tools/cli_support.h"
#include "tools/style_builder.h"

using namespace korel;
using namespace korel::tools;

int main(int argc, char** argv) {
    static const char* const usage =
        "usage: korel-style SOURCE [-o OUTPUT]     build a .sty\n"
        "       korel-style -d FILE [-o OUTPUT]    write a .sty back as named settings\n";
    ToolArgs args;
    if (!parseToolArgs(argc, argv, usage, args)) return 2;
    Bytes input;
    if (!readInput(args.input, input)) return 1;
    if (args.disassemble) {
        VisualState st;
        std::string error;
        if (!readStyleFile(input, st, error)) return report(args.input, error);
        return writeText(args.output, styleToSettings(st)) ? 0 : 1;
    }
    const std::string out =
        args.output.empty() ? replaceExtension(args.input, ".sty") : args.output;
    VisualState st;
    Diagnostic error;
    if (!buildStyle(std::string(input.begin(), input.end()), fileStem(out), folderOf(args.input),
                    st, error)) {
        return report(args.input, error);
    }
    return writeOutput(out, Bytes(st.bytes.begin(), st.bytes.end())) ? 0 : 1;
}
