// korel-contact SEED OUT.png: draws the contact sheet of a seed folder; fails, naming the
// files, when any brush, fill or gradient does not decode.
#include <cstdio>

#include "library/gen/contact_sheet.h"
#include "library/gen/png_writer.h"
#include "platform/files.h"

int main(int argc, char** argv) {
    using namespace korel;
    if (argc != 3) {
        std::fprintf(stderr, "usage: korel-contact SEED OUT.png\n");
        return 2;
    }
    const art::ContactSheet sheet = art::drawContactSheet(argv[1]);
    for (const auto& p : sheet.problems) std::fprintf(stderr, "%s/%s\n", argv[1], p.c_str());
    if (!sheet.problems.empty()) return 1;
    if (const int err = writeFileReplacing(argv[2], art::encodePng(sheet.image)); err != 0) {
        std::fprintf(stderr, "%s: cannot write (error %d)\n", argv[2], err);
        return 1;
    }
    return 0;
}
