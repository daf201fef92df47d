#include "support/support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vk {

#ifdef _WIN32

// The tests' own folders under the user's temporary folder: the process id
// and a counter make the name, as no mkdtemp exists here.
TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path folder =
        base / ("vk-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
    if (std::filesystem::create_directory(folder)) {
      path = folder.string() + "\\";
      return;
    }
  }
  throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string shell_quoted(const std::string& path) { return "\"" + path + "\""; }

// cmd's exit status is the program's own.
static int exit_status(int raw) { return raw; }

#else

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/vk-test-XXXXXX";
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path = pattern + "/";
}

std::string shell_quoted(const std::string& path) { return "'" + path + "'"; }

static int exit_status(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

TempDir::~TempDir() {
  // Tests may leave read-only entries behind; give write access back first.
  std::string command = "chmod -R u+rwx '" + path + "' 2>/dev/null; rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0) std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

#endif

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool file_exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

CommandResult run_shell(const std::string& command, const std::string& input) {
  TempDir scratch;
  write_file(scratch / "in", input);
  std::string line = command + " <" + shell_quoted(scratch / "in") + " >" +
                     shell_quoted(scratch / "out") + " 2>" + shell_quoted(scratch / "err");
  CommandResult result;
  result.status = exit_status(std::system(line.c_str()));
  result.out = read_file(scratch / "out");
  result.err = read_file(scratch / "err");
  return result;
}

namespace {

// Drops root's privileges for one command; util-linux has it on Debian.
const char SetprivPath[] = "/usr/bin/setpriv";
const char NobodyIds[] = " --reuid=65534 --regid=65534 --clear-groups ";

}  // namespace

CommandResult run_vantori(const std::string& arguments, const std::string& input) {
  return run_shell(std::string(VK_VANTORI) + " " + arguments, input);
}

CommandResult run_vantori_unprivileged(const std::string& arguments, const std::string& input) {
#ifdef _WIN32
  return run_vantori(arguments, input);  // no root to drop
#else
  if (geteuid() != 0) return run_vantori(arguments, input);
  if (access(SetprivPath, X_OK) != 0) return CommandResult{};
  return run_shell(std::string(SetprivPath) + NobodyIds + VK_VANTORI + " " + arguments, input);
#endif
}

std::string test_data(const std::string& name) { return std::string(VK_TEST_DATA) + "/" + name; }

std::vector<std::string> split_levels(const std::string& text) {
  std::vector<std::string> levels;
  std::istringstream in(text);
  std::string line, level;
  while (std::getline(in, line)) {
    if (line.find_first_not_of(' ') == std::string::npos) {
      if (!level.empty()) levels.push_back(level), level.clear();
    } else {
      level += line + "\n";
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
}

std::vector<std::string> public_levels() { return split_levels(read_file(test_data("public-small.txt"))); }

std::unique_ptr<Level> parsed(const std::string& text, int32_t* status) {
  auto level = std::make_unique<Level>();
  *level = {};
  *status = parse_level(*level, text.data(), int32_t(text.size()));
  return level;
}

int32_t status_of(const std::string& text) {
  int32_t status = -1;
  parsed(text, &status);
  return status;
}

}  // namespace vk
