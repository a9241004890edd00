// What every seed writer shares: the command line (one output folder, emptied first) and writing
// one seed file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

// The emptied output folder named by the one argument, or an empty path after printing the usage.
inline std::filesystem::path FreshSeedFolder(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s output-folder\n", argv[0]);
        return {};
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

inline void WriteSeed(const std::filesystem::path &file, std::string_view bytes) {
    std::ofstream(file, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

inline void WriteSeed(const std::filesystem::path &file, const std::vector<uint8_t> &bytes) {
    WriteSeed(file, std::string_view(reinterpret_cast<const char *>(bytes.data()), bytes.size()));
}
