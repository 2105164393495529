#pragma once
// Whole-file reads and writes for the conversion tests.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace quill::testing {

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline void WriteAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream f(p, std::ios::binary);
    f << bytes;
}

}  // namespace quill::testing
