// The dialog's worker protocol on a real thread: the worker runs an intake,
// solves and a batch while the test's own thread plays the GUI thread,
// running what the worker hands over and ticking the progress timer. Under
// ThreadSanitizer this shows that the two threads share only what they may.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "fake_platform.h"
#include "support/support.h"

namespace vk {

namespace {

// Hang guard only: every wait here ends much sooner on any machine.
constexpr auto GiveUpAfter = std::chrono::minutes(5);
constexpr auto PumpInterval = std::chrono::milliseconds(10);

// One call the worker waits on until the GUI thread has run it.
struct GuiCall {
  void (*fn)(void*);
  void* arg;
  int32_t finished;
};

struct ThreadedApp {
  TempDir work;
  TempDir out;
  FakeApp f{work.path};
  std::thread worker;
  std::mutex lock;
  std::condition_variable changed;
  std::deque<GuiCall*> calls;
  int32_t progressTicks = 0;

  ThreadedApp() {
    current = this;
    Platform& p = f.app.platform;
    p.start_worker = [](void*) { current->start(); };
    p.call_on_gui = [](void*, void (*fn)(void*), void* arg) { current->run_on_gui(fn, arg); };
    p.hand_back = [](void*) {
      current->run_on_gui([](void* app) { job_done(*static_cast<App*>(app)); }, &current->f.app);
    };
    p.sleep = [](void*, int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  }
  ~ThreadedApp() {
    if (worker.joinable()) worker.join();
    current = nullptr;
  }

  void start() {
    if (worker.joinable()) worker.join();  // the last job has handed back
    worker = std::thread([this] { worker_main(f.app); });
  }

  // On the worker: queue the call and wait until the GUI thread ran it.
  void run_on_gui(void (*fn)(void*), void* arg) {
    GuiCall call{fn, arg, 0};
    std::unique_lock<std::mutex> guard(lock);
    calls.push_back(&call);
    changed.notify_all();
    changed.wait(guard, [&] { return call.finished != 0; });
  }

  // The GUI thread's loop: runs the worker's calls and ticks the progress
  // timer while it runs, until done() holds. false on giving up.
  bool pump_until(const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + GiveUpAfter;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::deque<GuiCall*> now;
      {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait_for(guard, PumpInterval, [&] { return !calls.empty(); });
        now.swap(calls);
      }
      for (GuiCall* call : now) {
        call->fn(call->arg);
        std::lock_guard<std::mutex> guard(lock);
        call->finished = 1;
        changed.notify_all();
      }
      if (f.fake.timers.count(ProgressTimer)) {
        timer_tick(f.app, ProgressTimer);
        progressTicks += 1;
      }
    }
    return true;
  }

  // Loads a set from a file through the File button's job.
  void load(const std::string& text) {
    write_file(out.path + "set.txt", text);
    f.fake.filePick = out.path + "set.txt";
    f.press(IdFile);
    ASSERT_TRUE(pump_until([&] { return f.app.state == StateIdle; }));
    ASSERT_GE(f.app.store.levelCount, 1);
  }

  static ThreadedApp* current;
};

ThreadedApp* ThreadedApp::current = nullptr;

// A level that takes the solver far more than the test waits.
std::string slow_level() { return public_levels().at(92); }

}  // namespace

TEST(WorkerThread, SolveRunsBesideTheProgressTimer) {
  ThreadedApp t;
  t.load(SampleText);
  t.f.app.platform.set_text(t.f.app.platform.context, IdLevelEdit, "6");  // typed in
  t.f.press(IdGo);
  ASSERT_EQ(t.f.app.currentLevel, 6);
  t.f.press(IdSolve);
  ASSERT_EQ(t.f.app.state, StateSolving);
  ASSERT_TRUE(t.pump_until([&] { return t.f.app.state == StateIdle; }));
  EXPECT_EQ(t.f.app.solver.solutionLength, 61);
  EXPECT_GT(t.f.app.solver.progress.nodes.load(), 100000);
  ASSERT_FALSE(t.f.fake.dialogsShown.empty());
  EXPECT_EQ(t.f.fake.dialogsShown.back().mode, SolutionMode);
}

TEST(WorkerThread, SolveIsCancelledFromTheGuiThread) {
  ThreadedApp t;
  t.load(slow_level());
  t.f.press(IdSolve);
  const std::atomic<int32_t>& nodes = t.f.app.solver.progress.nodes;
  ASSERT_TRUE(t.pump_until([&] { return nodes.load(std::memory_order_relaxed) > 20000; }));
  t.f.press(IdSolve);  // Solve again cancels
  ASSERT_TRUE(t.pump_until([&] { return t.f.app.state == StateIdle; }));
  EXPECT_EQ(t.f.app.solver.solutionLength, 0);
  EXPECT_EQ(t.f.app.solver.cancel.load(), 0);
  EXPECT_GT(t.progressTicks, 0);
}

TEST(WorkerThread, BatchHandsItsDisplayToTheGuiThreadAndIsCancelled) {
  ThreadedApp t;
  t.load("##########\n#@     $.#\n##########\n\n" + slow_level());
  t.f.app.settings.hideLastMoves = 0;  // the 6-move solution is replayed whole
  t.f.app.settings.traceSpeed = SpeedFast;
  std::string report = t.out.path + "report.txt";
  std::snprintf(t.f.app.settings.reportPath, StorePathCapacity, "%s", report.c_str());
  t.f.fake.optionsScript = [](FakePlatform& p, OptionsDialog& d) {
    p.tick_option(d, OptReport, 1);
    EXPECT_EQ(p.press_option(d, OptStart), 1);
  };
  t.f.press(IdOption);
  ASSERT_EQ(t.f.app.state, StateBatch);
  const std::atomic<int32_t>& nodes = t.f.app.solver.progress.nodes;
  ASSERT_TRUE(t.pump_until([&] {
    return t.f.app.currentLevel == 2 && nodes.load(std::memory_order_relaxed) > 20000;
  }));
  EXPECT_EQ(t.f.fake.text(IdOption), "Cancel");
  t.f.press(IdOption);
  ASSERT_TRUE(t.pump_until([&] { return t.f.app.state == StateIdle; }));
  EXPECT_EQ(t.f.app.run.tried, 2);
  EXPECT_EQ(t.f.app.run.solved, 1);
  std::string written = read_file(report);
  EXPECT_NE(written.find("     6moves\n"), std::string::npos) << written;
  EXPECT_NE(written.find("Canceled\n"), std::string::npos) << written;
  ASSERT_FALSE(t.f.fake.messages.empty());
  EXPECT_EQ(t.f.fake.messages.back().text.substr(0, 22), "  Batch is canceled.\r\n");
  EXPECT_EQ(t.f.fake.text(IdOption), "Option");
}

}  // namespace vk
