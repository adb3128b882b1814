// korel-mvicon FILE.mvm: draws the movement's icon from its own path, rewriting the file.
#include <cstdio>

#include "library/gen/movement_icon.h"
#include "platform/files.h"

int main(int argc, char** argv) {
    using namespace korel;
    if (argc != 2) {
        std::fprintf(stderr, "usage: korel-mvicon FILE.mvm\n");
        return 2;
    }
    Bytes file;
    if (readWholeFile(argv[1], file) != 0) {
        std::fprintf(stderr, "%s: cannot read\n", argv[1]);
        return 1;
    }
    if (!art::drawMovementIcon(file)) {
        std::fprintf(stderr, "%s: not a movement that can be read\n", argv[1]);
        return 1;
    }
    if (writeFileReplacing(argv[1], file) != 0) {
        std::fprintf(stderr, "%s: cannot write\n", argv[1]);
        return 1;
    }
    return 0;
}
