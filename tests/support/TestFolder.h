// A fresh folder per test under the system's temporary folder, removed
// with everything in it afterwards, and whole-file helpers. The folder is
// made on first use: death tests end their child process without running
// destructors, and must not leave folders behind.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

class TestFolder {
public:
    TestFolder() = default;
    ~TestFolder()
    {
        std::error_code ec;
        if (!m_root.empty())
            std::filesystem::remove_all(m_root, ec);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::string path(const std::string& name) const { return root() + "/" + name; }

    // Names of everything in the folder and its subfolders, relative to it.
    std::set<std::string> list() const
    {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root()))
            names.insert(std::filesystem::relative(e.path(), root()).string());
        return names;
    }

    static std::vector<uint8_t> read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

    static void write(const std::string& path, const std::vector<uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

private:
    const std::string& root() const
    {
        if (m_root.empty()) {
            std::string pattern = (std::filesystem::temp_directory_path() / "skarden-archive-XXXXXX").string();
            if (!mkdtemp(pattern.data()))
                throw std::runtime_error("mkdtemp failed");
            m_root = pattern;
        }
        return m_root;
    }

    mutable std::string m_root;
};
