// Helpers shared by the tests: temporary folders, files, and running the
// vantori program.
#pragma once

#include <string>
#include <vector>
#include <cstdint>
#include <memory>
#include "level/level.h"

namespace vk {

// A fresh folder under the system's temporary folder, removed with all its
// contents when the object goes.
struct TempDir {
  std::string path;  // with a trailing '/'
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return path + name; }
};

void write_file(const std::string& path, const std::string& bytes);
std::string read_file(const std::string& path);  // "" when missing
bool file_exists(const std::string& path);

struct CommandResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// A path as one word of a shell command line (the tests' paths hold no
// single quote).
std::string shell_quoted(const std::string& path);

// Runs a shell command line with input as its standard input.
CommandResult run_shell(const std::string& command, const std::string& input = "");

// Runs build/vantori with the given arguments (a shell-quoted string), with
// input as its standard input.
CommandResult run_vantori(const std::string& arguments, const std::string& input = "");

// Like run_vantori, but when the tests run as root, runs it as the user
// nobody, so that file permissions apply to it. status is -1 when that is
// not possible here. Folders it must reach need access for others.
CommandResult run_vantori_unprivileged(const std::string& arguments, const std::string& input = "");

// Path of a file kept in tests/data.
std::string test_data(const std::string& name);


// The levels of a text in which an empty (or all-space) line separates levels.
std::vector<std::string> split_levels(const std::string& text);

// The 155 levels of tests/data/public-small.txt, each with LF line ends.
std::vector<std::string> public_levels();



// A level parsed from text; status receives parse_level's LevelStatus.
std::unique_ptr<Level> parsed(const std::string& text, int32_t* status);
int32_t status_of(const std::string& text);

// The cell index of a row and column of the level.
inline int32_t at(const Level& level, int32_t row, int32_t column) { return row * level.width + column; }

}  // namespace vk
