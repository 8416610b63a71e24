#pragma once

#include <filesystem>

#include <string>
#include <vector>

void writeBytes(const std::filesystem::path &path, const std::string &bytes);
std::string readBytes(const std::filesystem::path &path);

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    const std::filesystem::path &path() const { return root; }
    std::filesystem::path operator/(const std::string &name) const { return root / name; }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const;

private:
    std::filesystem::path root;
};
