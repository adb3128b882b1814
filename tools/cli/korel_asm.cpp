// korel-asm: assembles movement, brush-effect and colour-effect sources, and disassembles files.
#include <string>

#include "tools/cli_support.h"
#include "tools/program_file.h"

using namespace korel;
using namespace korel::tools;

int main(int argc, char** argv) {
    static const char* const usage =
        "usage: korel-asm SOURCE [-o OUTPUT]     assemble to .mvm, .efb or .efc\n"
        "       korel-asm -d FILE [-o OUTPUT]    disassemble to source text\n";
    ToolArgs args;
    if (!parseToolArgs(argc, argv, usage, args)) return 2;
    Bytes input;
    if (!readInput(args.input, input)) return 1;
    if (args.disassemble) {
        ProgramFile file;
        std::string error;
        if (!readProgramFile(input, file, error)) return report(args.input, error);
        return writeText(args.output, disassembleProgram(file)) ? 0 : 1;
    }
    ProgramFile file;
    Diagnostic error;
    if (!assembleProgram(std::string(input.begin(), input.end()), file, error)) {
        return report(args.input, error);
    }
    const std::string out =
        args.output.empty() ? replaceExtension(args.input, extensionFor(file.kind)) : args.output;
    return writeOutput(out, writeProgramFile(file)) ? 0 : 1;
}
