// The desktop program's own command line, the same for every shell: its
// options, its usage text, and the reservation and settings they ask for.
#include <cstdio>
#include <cstring>

#include "app/app.h"

namespace vk {

namespace {

bool same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

int32_t refuse(DesktopOptions& options, const char* what, const char* argument) {
  std::snprintf(options.refusal, sizeof options.refusal, "%s%s", what, argument);
  return BadOption;
}

// One paragraph or option of the usage text. An option line has its name
// in option; a paragraph has none.
struct UsageEntry {
  const char* option;
  const char* text;
};

// $STORE stands for the store's place, as each system names it.
constexpr UsageEntry UsageEntries[] = {
    {nullptr, "Usage: vantori-kelmora [OPTION...] [LEVELFILE | FOLDER]"},
    {nullptr, "Finds the minimum-move solution of a box-pushing puzzle level and replays it."},
    {nullptr, "Load levels with Sample, Text, File or Folder, name a level file or a folder of "
              "numbered level files on the command line, or drop one onto the window; Ctrl+V "
              "loads the clipboard's levels as Text does. The level store is the folder "
              "temp_vantori in $STORE; every load empties it."},
    {"--memory SIZE", "bytes for the search tables, from 16M to 16G (K, M, G are 1000, "
                      "1000000, 1000000000); 608M by default. Larger tables solve levels that "
                      "fail at the default"},
    {"--guided", "order the search by moves plus a lower bound (the same minimum, fewer "
                 "records)"},
    {"--help", "show this help and exit"},
    {"--version", "show the version and exit"},
};

constexpr int32_t UsageColumns = 79;
constexpr int32_t OptionColumn = 17;  // where an option's text starts on a terminal

// Appends text to out, with $STORE replaced.
void append(char* out, int32_t capacity, int32_t& used, const char* text, const char* store) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (std::strncmp(c, "$STORE", 6) == 0) {
      append(out, capacity, used, store, "");
      c += 5;
      continue;
    }
    if (used + 1 < capacity) out[used++] = *c;
  }
  out[used] = '\0';
}

// The words of text from column on, broken into lines of at most
// UsageColumns characters; each further line is indented by indent.
void append_wrapped(char* out, int32_t capacity, int32_t& used, const char* text, int32_t column,
                    int32_t indent) {
  for (const char* word = text; *word != '\0';) {
    const char* end = std::strchr(word, ' ');
    if (end == nullptr) end = word + std::strlen(word);
    int32_t length = int32_t(end - word);
    if (word != text) {
      if (column + 1 + length > UsageColumns) {
        append(out, capacity, used, "\n", "");
        for (column = 0; column < indent; ++column) append(out, capacity, used, " ", "");
      } else {
        append(out, capacity, used, " ", "");
        column += 1;
      }
    }
    char piece[UsageColumns + 1];
    std::snprintf(piece, sizeof piece, "%.*s", int(length), word);
    append(out, capacity, used, piece, "");
    column += length;
    word = *end == ' ' ? end + 1 : end;
  }
  append(out, capacity, used, "\n", "");
}

}  // namespace

int32_t read_desktop_options(int argc, char* const* argv, DesktopOptions& options,
                             int32_t strict) {
  options.memory = DefaultMemory;
  options.guided = 0;
  options.path = nullptr;
  options.refusal[0] = '\0';
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (same(a, "--memory")) {
      if (i + 1 >= argc || !parse_memory_size(argv[i + 1], options.memory))
        return refuse(options, MemorySizeRule, "");
      ++i;
    } else if (same(a, "--version")) {
      return ShowVersion;
    } else if (same(a, "--help") || same(a, "-h")) {
      return ShowHelp;
    } else if (same(a, "--guided")) {
      options.guided = 1;
    } else if (!strict) {
      // The toolkit's options and their values, and paths: read later.
    } else if (a[0] == '-' && a[1] != '\0') {
      return refuse(options, "unknown option ", a);
    } else if (options.path != nullptr) {
      return refuse(options, "more than one level file or folder: ", a);
    } else {
      options.path = a;
    }
  }
  return RunWindow;
}

void desktop_usage(int32_t layout, const char* storePlace, const char* toolkitNote, char* out,
                   int32_t capacity) {
  char text[UsageCapacity];
  int32_t used = 0;
  out[0] = '\0';
  for (const UsageEntry& entry : UsageEntries) {
    // Placeholders first, so that the terminal's wrapping sees the place.
    int32_t n = 0;
    append(text, sizeof text, n, entry.text, storePlace);
    if (entry.option == nullptr) {
      if (layout == UsageForBox) {
        append(out, capacity, used, text, "");
        append(out, capacity, used, "\n", "");
      } else {
        append_wrapped(out, capacity, used, text, 0, 0);
      }
      if (&entry != &UsageEntries[0]) append(out, capacity, used, "\n", "");
      continue;
    }
    append(out, capacity, used, "  ", "");
    append(out, capacity, used, entry.option, "");
    if (layout == UsageForBox) {
      append(out, capacity, used, ": ", "");
      append(out, capacity, used, text, "");
      append(out, capacity, used, "\n", "");
      continue;
    }
    int32_t column = 2 + int32_t(std::strlen(entry.option));
    do {
      append(out, capacity, used, " ", "");
      column += 1;
    } while (column < OptionColumn);
    append_wrapped(out, capacity, used, text, column, OptionColumn);
  }
  if (toolkitNote != nullptr) {
    append(out, capacity, used, "\n", "");
    append(out, capacity, used, toolkitNote, "");
    append(out, capacity, used, "\n", "");
  }
}

int32_t app_reserve_tables(App& app, int64_t memory, char* refusal) {
  if (!tables_fit_memory(memory, 1) || !reserve_search_tables(memory)) {
    std::snprintf(refusal, RefusalCapacity, " Not enough memory for the search tables (%lld bytes).",
                  static_cast<long long>(memory));
    return 0;
  }
  app.tableMemory = memory;
  return 1;
}

void app_take_options(App& app, const DesktopOptions& options) {
  app.settings.guided = options.guided;
  app.solver.guided = options.guided;
  app.startPath = options.path;
}

}  // namespace vk
