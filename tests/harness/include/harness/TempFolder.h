// A fresh temporary folder, removed afterwards, and helpers for the files in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarnix::test {

class TempFolder {
  public:
    // tarnix_<name> in the system's temporary folder, emptied first.
    explicit TempFolder(const std::string& name)
        : m_Path(std::filesystem::temp_directory_path() / ("tarnix_" + name)) {
        std::filesystem::remove_all(m_Path);
        std::filesystem::create_directories(m_Path);
    }
    // Named after the running test.
    TempFolder() : TempFolder(CurrentTestName()) {}
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::string PathOf(const std::string& name) const { return (m_Path / name).string(); }

    // Writes bytes exactly as given (no line-end translation).
    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        const std::string path = PathOf(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    static std::string ReadBytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

  private:
    static std::string CurrentTestName() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        return info ? std::string(info->test_suite_name()) + "_" + info->name() : "test";
    }

    std::filesystem::path m_Path;
};

// A test with a fresh folder of its own.
class TempFolderTest : public ::testing::Test {
  protected:
    std::string PathOf(const std::string& name) const { return m_Temp.PathOf(name); }
    std::string WriteFile(const std::string& name, const std::string& bytes) const {
        return m_Temp.WriteFile(name, bytes);
    }
    static std::string ReadBytes(const std::string& path) { return TempFolder::ReadBytes(path); }

    TempFolder m_Temp;
    const std::filesystem::path& m_Folder = m_Temp.Path();
};

}  // namespace tarnix::test
