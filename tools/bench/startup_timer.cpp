// Measures how long programs take from their start until their main window
// is visible, from inside the Windows session they run in.
//
//   startup_timer [options] EXE CAPTION EXE CAPTION ...
//
// Each round starts every program once, one at a time, alternating the
// order from round to round. A start is timed with the performance counter
// from just before CreateProcess until the new process's first thread has a
// visible window with the given caption (polled every millisecond with
// EnumThreadWindows and IsWindowVisible). The program is then asked to end
// (the Cancel command, Exit), and ended by force when it has not ended
// within a few seconds, before anything else starts. The times are compared with those of the
// last program given, the baseline.
//
// Options:
//   --rounds N        timed starts of each program (default 7)
//   --warmup N        untimed starts of each program first (default 1)
//   --goal R          the ratio to the baseline to stay within (default 1.15)
//   --fresh-key KEY   a key under HKEY_CURRENT_USER deleted before every start
//   --fresh-path P    a file or folder deleted before every start
//                     (environment variables such as %APPDATA% are expanded)
//   --poll MS         pause between two looks for the window (default 1)
//   --timeout MS      longest wait for a window (default 30000)
//
// Exit code 0 when every start was measured, 1 otherwise; the verdict is a
// report, not a result.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Program {
  std::string path;
  std::string caption;
  std::string name;  // the file name, for the report
  std::vector<double> wall;
};

struct Options {
  int rounds = 7;
  int warmup = 1;
  double goal = 1.15;
  DWORD timeoutMs = 30000;
  DWORD pollMs = 1;
  std::vector<std::string> freshKeys;
  std::vector<std::string> freshPaths;
};

double Frequency() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(frequency.QuadPart);
}

double Now() {
  static const double frequency = Frequency();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / frequency;
}

std::string Expand(const std::string& text) {
  char expanded[MAX_PATH * 2];
  const DWORD length = ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  if (length == 0 || length > sizeof expanded) return text;
  return expanded;
}

void DeletePath(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
    return;
  }
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = found.cFileName;
      if (name != "." && name != "..") DeletePath(path + "\\" + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(path.c_str());
}

void MakeFresh(const Options& options) {
  for (const std::string& key : options.freshKeys) RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
  for (const std::string& path : options.freshPaths) DeletePath(Expand(path));
}

struct WindowSearch {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchVisibleWindow(HWND window, LPARAM lParam) {
  auto* search = reinterpret_cast<WindowSearch*>(lParam);
  if (!IsWindowVisible(window)) return TRUE;
  char text[256];
  GetWindowTextA(window, text, sizeof text);
  if (*search->caption != text) return TRUE;
  search->found = window;
  return FALSE;
}

// The visible window with this caption on the thread, if any. Only the
// windows of the new program's first thread are looked at, which keeps
// each poll cheap: the Wine server that answers it also serves the program.
HWND VisibleWindowOf(DWORD threadId, const std::string& caption) {
  WindowSearch search{&caption, nullptr};
  EnumThreadWindows(threadId, MatchVisibleWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void EndProgram(const PROCESS_INFORMATION& process, HWND window, const Program& program) {
  PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  if (WaitForSingleObject(process.hProcess, 5000) != WAIT_OBJECT_0) {
    std::printf("  (%s did not end when asked; ended by force)\n", program.name.c_str());
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
}

// One start: the milliseconds until the window was visible, negative when
// it never was.
double TimeOneStart(const Program& program, const Options& options) {
  double elapsed = -1;
  MakeFresh(options);

  std::string folder = program.path;
  const std::size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);
  std::string commandLine = "\"" + program.path + "\"";

  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWNORMAL;
  PROCESS_INFORMATION process = {};

  const double start = Now();
  if (!CreateProcessA(program.path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    std::printf("  cannot start %s (error %lu)\n", program.path.c_str(), GetLastError());
    return elapsed;
  }

  HWND window = nullptr;
  for (;;) {
    window = VisibleWindowOf(process.dwThreadId, program.caption);
    const double now = Now();
    if (window != nullptr) {
      elapsed = now - start;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0) {
      std::printf("  %s ended before its window showed\n", program.name.c_str());
      break;
    }
    if (now - start > options.timeoutMs) {
      std::printf("  %s showed no window \"%s\" within %lu ms\n", program.name.c_str(),
                  program.caption.c_str(), options.timeoutMs);
      break;
    }
    Sleep(options.pollMs);
  }

  if (window != nullptr) {
    EndProgram(process, window, program);
  } else {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, 5000);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // Lets the session settle (the tray, the window manager) before the next start.
  Sleep(300);
  return elapsed;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  if (n == 0) return 0;
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string FileName(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FullPath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length == 0 || length >= sizeof full ? path : std::string(full);
}

int Usage() {
  std::fprintf(stderr,
               "usage: startup_timer [--rounds N] [--warmup N] [--goal R] [--poll MS] [--timeout MS]\n"
               "                     [--fresh-key KEY]... [--fresh-path PATH]...\n"
               "                     EXE CAPTION [EXE CAPTION]...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<Program> programs;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--rounds" && hasValue) {
      options.rounds = std::atoi(argv[++i]);
    } else if (arg == "--warmup" && hasValue) {
      options.warmup = std::atoi(argv[++i]);
    } else if (arg == "--goal" && hasValue) {
      options.goal = std::atof(argv[++i]);
    } else if (arg == "--poll" && hasValue) {
      options.pollMs = static_cast<DWORD>(std::atol(argv[++i]));
    } else if (arg == "--timeout" && hasValue) {
      options.timeoutMs = static_cast<DWORD>(std::atol(argv[++i]));
    } else if (arg == "--fresh-key" && hasValue) {
      options.freshKeys.push_back(argv[++i]);
    } else if (arg == "--fresh-path" && hasValue) {
      options.freshPaths.push_back(argv[++i]);
    } else if (arg.rfind("--", 0) == 0) {
      return Usage();
    } else if (hasValue) {
      const std::string path = FullPath(arg);
      programs.push_back(Program{path, argv[++i], FileName(path), {}});
    } else {
      return Usage();
    }
  }
  if (programs.empty() || options.rounds < 1) return Usage();

  for (const Program& program : programs) {
    if (FindWindowA(nullptr, program.caption.c_str()) != nullptr) {
      std::printf("a window \"%s\" is open already; close it first\n", program.caption.c_str());
      return 1;
    }
  }

  std::printf("%d round%s, %d warm-up start%s of each program first; %s\n", options.rounds,
              options.rounds == 1 ? "" : "s", options.warmup, options.warmup == 1 ? "" : "s",
              options.freshKeys.empty() && options.freshPaths.empty()
                  ? "state kept between starts"
                  : "fresh state before every start");
  std::fflush(stdout);

  bool complete = true;
  std::vector<std::vector<double>> rounds;  // per round, per program
  for (int w = 0; w < options.warmup; ++w) {
    for (const Program& program : programs) complete &= TimeOneStart(program, options) >= 0;
  }
  for (int round = 1; round <= options.rounds; ++round) {
    std::printf("round %d:", round);
    std::fflush(stdout);
    // Alternate the order so that neither program always follows the other.
    const bool reversed = round % 2 == 0;
    std::vector<double> starts(programs.size(), -1);
    for (std::size_t k = 0; k < programs.size(); ++k) {
      const std::size_t index = reversed ? programs.size() - 1 - k : k;
      starts[index] = TimeOneStart(programs[index], options);
    }
    for (std::size_t index = 0; index < programs.size(); ++index) {
      const double elapsed = starts[index];
      if (elapsed < 0) {
        complete = false;
        std::printf("  %s failed", programs[index].name.c_str());
        continue;
      }
      programs[index].wall.push_back(elapsed);
      std::printf("  %s %.1f ms", programs[index].name.c_str(), elapsed);
    }
    std::printf("\n");
    std::fflush(stdout);
    rounds.push_back(starts);
  }

  std::printf("\n");
  for (const Program& program : programs) {
    if (program.wall.empty()) continue;
    std::printf("median  %-20s %8.1f ms  (min %.1f, max %.1f, %zu starts)\n",
                program.name.c_str(), Median(program.wall),
                *std::min_element(program.wall.begin(), program.wall.end()),
                *std::max_element(program.wall.begin(), program.wall.end()), program.wall.size());
  }

  const Program& baseline = programs.back();
  for (std::size_t index = 0; index + 1 < programs.size(); ++index) {
    const Program& program = programs[index];
    if (program.wall.empty() || baseline.wall.empty()) continue;
    // Pairs from the same round ran under the closest conditions.
    std::vector<double> ratios;
    for (const std::vector<double>& starts : rounds) {
      if (starts[index] > 0 && starts.back() > 0) ratios.push_back(starts[index] / starts.back());
    }
    if (ratios.empty()) continue;
    const double ratio = Median(ratios);
    std::printf("ratio   %s / %s: %.2f (median of the rounds' ratios; ratio of the medians %.2f,"
                " of the minimums %.2f)\n",
                program.name.c_str(), baseline.name.c_str(), ratio,
                Median(program.wall) / Median(baseline.wall),
                *std::min_element(program.wall.begin(), program.wall.end()) /
                    *std::min_element(baseline.wall.begin(), baseline.wall.end()));
    std::printf("verdict: %s %s the goal: %.2f %s %.2f\n", program.name.c_str(),
                ratio <= options.goal ? "MEETS" : "MISSES", ratio,
                ratio <= options.goal ? "<=" : ">", options.goal);
  }
  if (!complete) std::printf("note: some starts could not be measured\n");
  return complete ? 0 : 1;
}
