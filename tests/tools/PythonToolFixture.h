// A Python tool of tools/ run as a program by the interpreter the build found, in a directory of
// the test's own: its exit status, and its standard output and error kept in files there.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>

class PythonToolFixture : public ::testing::Test {
 protected:
  explicit PythonToolFixture(std::string script) : m_script(std::move(script)) {}

  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "pytool-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    m_dir = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  // The tool's exit status with these arguments; its output goes to the file `out`, its errors
  // to `err`.
  int Run(const std::string& args) {
    const std::string command = std::string(PYTHON3_PATH) + " " + m_script + " " + args + " >" +
                                (m_dir / "out").string() + " 2>" + (m_dir / "err").string();
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Output() const { return Text(m_dir / "out"); }
  static std::string Text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string m_script;
  std::filesystem::path m_dir;
};
