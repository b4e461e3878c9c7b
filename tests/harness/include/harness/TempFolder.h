// A fresh temporary folder per test, removed afterwards, and helpers for the files in it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace tarnix::test {

class TempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_Folder = std::filesystem::temp_directory_path() /
                   (std::string("tarnix_") + info->test_suite_name() + "_" + info->name());
        std::filesystem::remove_all(m_Folder);
        std::filesystem::create_directories(m_Folder);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(m_Folder, ignored);
    }

    std::string PathOf(const std::string& name) const { return (m_Folder / name).string(); }

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

    std::filesystem::path m_Folder;
};

}  // namespace tarnix::test
