// korel-gradient: builds .gra gradients from colour stops, and writes gradients back as stops.
#include <string>

#include "tools/cli_support.h"
#include "tools/gradient_builder.h"

using namespace korel;
using namespace korel::tools;

int main(int argc, char** argv) {
    static const char* const usage =
        "usage: korel-gradient SOURCE [-o OUTPUT]     build a .gra\n"
        "       korel-gradient -d FILE [-o OUTPUT]    write a .gra back as colour stops\n";
    ToolArgs args;
    if (!parseToolArgs(argc, argv, usage, args)) return 2;
    Bytes input;
    if (!readInput(args.input, input)) return 1;
    if (args.disassemble) {
        GradientFile g;
        std::string error;
        if (!readGradientFile(input, g, error)) return report(args.input, error);
        return writeText(args.output, gradientToStops(g)) ? 0 : 1;
    }
    GradientFile g;
    Diagnostic error;
    if (!buildGradient(std::string(input.begin(), input.end()), g, error)) {
        return report(args.input, error);
    }
    const std::string out =
        args.output.empty() ? replaceExtension(args.input, ".gra") : args.output;
    return writeOutput(out, writeGradientFile(g)) ? 0 : 1;
}
