#pragma once

#include <cstddef>

namespace KorvaneSim {

// A file of tools/korvane-sim/models compiled into the program (see EmbedModels.cmake). The data has
// one extra zero byte after `size`.
struct EmbeddedFile {
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

extern const EmbeddedFile kEmbeddedFiles[];
extern const std::size_t kEmbeddedFileCount;

} // namespace KorvaneSim
