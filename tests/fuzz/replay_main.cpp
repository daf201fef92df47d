// Runs a fuzz target's entry point once on every file of the given folders,
// without the fuzzer: the seed corpus, including every input that once
// crashed a target, becomes a regression test of the ordinary test run.
#include <dirent.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
  using namespace vk;

int replay_folder(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) {
    std::fprintf(stderr, "cannot open %s\n", folder.c_str());
    return -1;
  }
  int replayed = 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::ifstream in(folder + "/" + entry->d_name, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    ++replayed;
  }
  closedir(dir);
  return replayed;
}

}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  for (int i = 1; i < argc; ++i) {
    int count = replay_folder(argv[i]);
    if (count < 0) return 1;
    replayed += count;
  }
  std::printf("%d inputs replayed\n", replayed);
  // The targets share one scratch work folder; it goes with the run.
  std::string clean = std::string("rm -rf '") + fuzz_work_dir() + "'";
  return replayed > 0 && std::system(clean.c_str()) == 0 ? 0 : 1;
}
