#include "tests/support/scratch_dir.h"
#include "repair/staging/unique_name.h"

#include <filesystem>
#include <fstream>

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

void writeBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string readBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), {});
}

ScratchDir::ScratchDir()
    : root(fs::temp_directory_path() / velmorant::uniqueName("velmorant-test-%%%%-%%%%-%%%%"))
{
    fs::create_directories(root);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(root))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
