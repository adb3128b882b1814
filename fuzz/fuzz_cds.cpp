// Fuzz target: ".cds" CD list files, read and written back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "playback/cd_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const korel::Bytes file(data, data + size);
    korel::CdList list;
    std::string message;
    if (korel::decodeCdList(file, list, message)) korel::encodeCdList(list);
    return 0;
}
