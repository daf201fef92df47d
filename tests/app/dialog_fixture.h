// A dialog on the fake platform, with a work folder of its own and a folder
// for the level files a test loads: the set-up the dialog's tests share.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "fake_platform.h"
#include "support/support.h"

namespace vk {

struct DialogFixture : ::testing::Test {
  TempDir work;
  TempDir sources;
  FakeApp f{work.path};
  App& app = f.app;
  FakePlatform& fake = f.fake;

  // Loads text, saved as the file name, through the File button.
  void load_file(const std::string& name, const std::string& text) {
    write_file(sources / name, text);
    fake.filePick = sources / name;
    f.press(IdFile);
    fake.run_worker();
  }
  // Presses Solve for a solve that the test pretends ran: the worker is
  // pending, not run.
  void start_pretended_solve() {
    f.press(IdSolve);
    ASSERT_EQ(fake.workerPending, 1);
    fake.workerPending = 0;
  }
};

}  // namespace vk
