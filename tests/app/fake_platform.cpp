#include "fake_platform.h"

#include <cstring>

namespace vk {

namespace {

FakePlatform& fake_of(void* context) { return *static_cast<FakePlatform*>(context); }

void copy_out(const std::string& text, char* out, int32_t capacity) {
  size_t length = text.size() < size_t(capacity - 1) ? text.size() : size_t(capacity - 1);
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
}

}  // namespace

Platform FakePlatform::platform() {
  Platform p{};
  p.context = this;
  p.set_text = [](void* c, int32_t id, const char* text) {
    fake_of(c).texts[id] = text;
    fake_of(c).history[id].push_back(text);
  };
  p.get_text = [](void* c, int32_t id, char* out, int32_t capacity) {
    copy_out(fake_of(c).text(id), out, capacity);
  };
  p.enable = [](void* c, int32_t id, int32_t on) {
    FakePlatform& f = fake_of(c);
    f.enabled[id] = on;
    if (on || f.focus != id) return;
    f.focus = 0;
    for (int32_t k = 1; k < EnableCount && f.focus == 0; ++k) {
      int32_t next = FirstCommandId + (id - FirstCommandId + k) % EnableCount;
      if (f.on(next) == 1) f.focus = next;
    }
  };
  p.set_check = [](void* c, int32_t id, int32_t on) { fake_of(c).checks[id] = on; };
  p.get_check = [](void* c, int32_t id) { return fake_of(c).checks[id]; };
  p.set_progress = [](void* c, int32_t id, int32_t position) { fake_of(c).progress[id] = position; };
  p.message_box = [](void* c, const char* caption, const char* text, int32_t icon) {
    fake_of(c).messages.push_back({caption, text, icon});
  };
  p.start_timer = [](void* c, int32_t timer, int32_t ms) {
    FakePlatform& f = fake_of(c);
    f.timers[timer] = ms;
    if (timer == ProgressTimer && f.cancelOnProgress && f.app->state == StateBatch) dialog_command(*f.app, IdOption);
  };
  p.stop_timer = [](void* c, int32_t timer) { fake_of(c).timers.erase(timer); };
  p.sleep = [](void* c, int32_t ms) {
    FakePlatform& f = fake_of(c);
    f.sleeps.push_back(ms);
    if (f.cancelOnSleep != 0 && int32_t(f.sleeps.size()) == f.cancelOnSleep)
      dialog_command(*f.app, IdOption);
  };
  p.canvas.context = this;
  p.canvas.copy_tile = [](void* c, int32_t column, int32_t row, int32_t x, int32_t y) {
    FakePlatform& f = fake_of(c);
    if (x >= 0 && y >= 0 && x < CanvasWidth && y < CanvasHeight && x % TileSize == 0 &&
        y % TileSize == 0)
      f.tiles[y / TileSize][x / TileSize] = {column, row};
    f.tileCopies += 1;
  };
  p.canvas.copy_splash = [](void* c, int32_t, int32_t) { fake_of(c).splashes += 1; };
  p.canvas.draw_text = [](void* c, int32_t, int32_t, int32_t, uint32_t, const char* text) {
    fake_of(c).canvasTexts.push_back(text);
  };
  p.canvas.repaint = [](void* c) { fake_of(c).repaints += 1; };
  p.pick_level_file = [](void* c, char* path, int32_t capacity, const char*) {
    FakePlatform& f = fake_of(c);
    if (f.filePick.empty()) return 0;
    copy_out(f.filePick, path, capacity);
    return 1;
  };
  p.pick_level_folder = [](void* c, char* path, int32_t capacity, const char*) {
    FakePlatform& f = fake_of(c);
    if (f.folderPick.empty()) return 0;
    copy_out(f.folderPick, path, capacity);
    return 1;
  };
  p.run_text_dialog = [](void* c, const TextDialog& dialog, char* pasted, int32_t capacity) {
    FakePlatform& f = fake_of(c);
    f.dialogsShown.push_back(dialog);
    if (f.textReplies.empty()) return 0;
    TextReply reply = f.textReplies.front();
    f.textReplies.pop_front();
    if (!reply.closed) return 0;
    copy_out(reply.text, pasted, capacity);
    return 1;
  };
  p.run_options_dialog = [](void* c, OptionsDialog& dialog) {
    FakePlatform& f = fake_of(c);
    f.optionsShown.push_back(dialog);
    if (f.optionsScript) f.optionsScript(f, dialog);
  };
  p.pick_save_file = [](void* c, char* path, int32_t capacity, const char* filter,
                        const char* title) {
    FakePlatform& f = fake_of(c);
    f.saveTitle = title;
    f.saveFilter.clear();
    for (const char* part = filter; *part != '\0'; part += std::strlen(part) + 1) {
      if (!f.saveFilter.empty()) f.saveFilter += '|';
      f.saveFilter += part;
    }
    if (f.savePick.empty()) return 0;
    copy_out(f.savePick, path, capacity);
    return 1;
  };
  p.start_worker = [](void* c) {
    fake_of(c).workerPending = 1;
    fake_of(c).workersStarted += 1;
  };
  p.hand_back = [](void* c) {
    FakePlatform& f = fake_of(c);
    f.handBacks += 1;
    job_done(*f.app);
  };
  p.end_program = [](void* c, int32_t abandonWorker) {
    FakePlatform& f = fake_of(c);
    f.ended += 1;
    f.abandoned = abandonWorker;
  };
  p.focused = [](void* c) { return fake_of(c).focus; };
  p.set_focus = [](void* c, int32_t id) { fake_of(c).focus = id; };
  p.clipboard_text = [](void* c, char* out, int32_t capacity) {
    FakePlatform& f = fake_of(c);
    if (f.clipboard.empty()) return 0;
    copy_out(f.clipboard, out, capacity);
    return 1;
  };
  p.elide_path = [](void* c, int32_t dialog, int32_t id, const char* prefix, const char* path,
                    char* out, int32_t capacity) {
    FakePlatform& f = fake_of(c);
    f.elided.push_back({dialog, id});
    std::string head = prefix;
    std::string whole = path;
    int32_t room = f.lineChars - int32_t(head.size());
    if (int32_t(whole.size()) > room) {
      int32_t keep = room - 3;
      whole = whole.substr(0, size_t(keep / 2)) + "..." +
              whole.substr(whole.size() - size_t(keep - keep / 2));
    }
    copy_out(head + whole, out, capacity);
  };
  return p;
}

int32_t FakePlatform::tick_option(OptionsDialog& dialog, int32_t id, int32_t checked) {
  switch (id) {
    case OptPlay: dialog.play = checked; break;
    case OptReport: dialog.report = checked; break;
    case OptBeginWithEnd: dialog.beginWithEnd = checked; break;
    case OptGuided: dialog.guided = checked; break;
    case OptSlow: dialog.speed = SpeedSlow; break;
    case OptNomal: dialog.speed = SpeedNomal; break;
    case OptFast: dialog.speed = SpeedFast; break;
    default: break;
  }
  return options_command(*app, dialog, id);
}

void FakePlatform::run_worker() {
  if (!workerPending) return;
  workerPending = 0;
  worker_main(*app);
}

FakeApp::FakeApp(const std::string& workDir) {
  fake.app = &app;
  app_init(app, fake.platform(), workDir.c_str());
  dialog_setup(app);
}

}  // namespace vk
