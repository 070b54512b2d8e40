// Linux: the prepared crash result and the fault handler that writes it (crash_result.h).
#include <fcntl.h>
#include <link.h>
#include <signal.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/crash_result.h"
#include "platform/posix/native_path.h"

namespace radlyn::platform {
namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};

// A text cut at its markers: pieces[i] is followed by markers[i] (the last piece by none).
enum class Marker : char { kCrashText, kTime };
struct MarkedText {
  std::vector<std::string> pieces;
  std::vector<Marker> markers;
};

MarkedText SplitAtMarkers(std::string_view text) {
  MarkedText split;
  const std::string_view crash(kCrashTextMarker);
  const std::string_view time(kCrashTimeMarker);
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::string_view rest = text.substr(i);
    const bool is_crash = rest.substr(0, crash.size()) == crash;
    const bool is_time = !is_crash && rest.substr(0, time.size()) == time;
    if (!is_crash && !is_time) {
      ++i;
      continue;
    }
    split.pieces.emplace_back(text.substr(start, i - start));
    split.markers.push_back(is_crash ? Marker::kCrashText : Marker::kTime);
    i += is_crash ? crash.size() : time.size();
    start = i;
  }
  split.pieces.emplace_back(text.substr(start));
  return split;
}

// An executable part of a file loaded into the process, to name the code that faulted.
struct CodeRange {
  std::uintptr_t begin;
  std::uintptr_t end;
  std::string file_name;
};

int AddCodeRanges(dl_phdr_info* info, std::size_t, void* data) {
  auto& ranges = *static_cast<std::vector<CodeRange>*>(data);
  std::string_view path = info->dlpi_name != nullptr ? info->dlpi_name : "";
  if (path.empty()) {
    // The program itself.
    static const std::string program = [] {
      char buffer[4096];
      const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
      return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
    }();
    path = program;
  }
  const std::size_t slash = path.find_last_of('/');
  const std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (name.empty()) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD || (header.p_flags & PF_X) == 0) continue;
    const std::uintptr_t begin = info->dlpi_addr + header.p_vaddr;
    ranges.push_back({begin, begin + header.p_memsz, name});
  }
  return 0;
}

// Everything the handler writes, made before it runs. Two of them take turns, so that a fault
// during a preparation finds the previous one whole.
struct Prepared {
  bool has_result = false;
  std::string pending;  // native paths
  std::string result;
  std::string result_folder;
  MarkedText result_text;
  std::string log_path;
  std::vector<MarkedText> log_lines;
  std::vector<CodeRange> code;
  long utc_offset_seconds = 0;
};

Prepared slots[2];
std::atomic<Prepared*> current{nullptr};
CrashModuleSource module_source = nullptr;
// Set by the first fault; a second thread that faults meanwhile waits for the first to end the
// process.
std::atomic<bool> handling{false};
bool installed = false;

// The slot that is not in use, filled from the one that is.
Prepared& NextSlot() {
  Prepared* in_use = current.load();
  Prepared& next = in_use == &slots[0] ? slots[1] : slots[0];
  if (in_use != nullptr) {
    next = *in_use;
  } else {
    next = Prepared();
  }
  return next;
}

void Publish(Prepared& next) {
  next.code.clear();
  dl_iterate_phdr(&AddCodeRanges, &next.code);
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr) next.utc_offset_seconds = local.tm_gmtoff;
  current.store(&next);
}

// --- Only async-signal-safe calls from here on. ---

// A text being built in a fixed buffer.
struct Text {
  char bytes[1024];
  std::size_t length = 0;

  void Add(const char* text, std::size_t size) {
    for (std::size_t i = 0; i < size && length < sizeof bytes; ++i) bytes[length++] = text[i];
  }
  void Add(const char* text) {
    std::size_t size = 0;
    while (text[size] != '\0') ++size;
    Add(text, size);
  }
  void Add(const std::string& text) { Add(text.data(), text.size()); }
  void AddNumber(long value, int width) {
    char digits[24];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0 && count < 20);
    while (count < width && count < 24) digits[count++] = '0';
    while (count > 0) Add(&digits[--count], 1);
  }
};

const char* SignalName(int signal) {
  switch (signal) {
    case SIGSEGV:
      return "SIGSEGV";
    case SIGBUS:
      return "SIGBUS";
    case SIGILL:
      return "SIGILL";
    case SIGFPE:
      return "SIGFPE";
    default:
      return "signal";
  }
}

std::uintptr_t InstructionAddress(void* context) {
  const auto* user = static_cast<const ucontext_t*>(context);
  if (user == nullptr) return 0;
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(user->uc_mcontext.gregs[REG_RIP]);
#elif defined(__i386__)
  return static_cast<std::uintptr_t>(user->uc_mcontext.gregs[REG_EIP]);
#elif defined(__aarch64__)
  return static_cast<std::uintptr_t>(user->uc_mcontext.pc);
#else
  return 0;
#endif
}

// "Unhandled exception SIGSEGV in momodch.so during a call into momodch"
void BuildCrashText(const Prepared* prepared, int signal, void* context, Text& text) {
  text.Add("Unhandled exception ");
  text.Add(SignalName(signal));
  text.Add(" in ");
  const std::uintptr_t address = InstructionAddress(context);
  const char* faulting = "unknown code";
  if (prepared != nullptr) {
    for (const CodeRange& range : prepared->code) {
      if (address >= range.begin && address < range.end) {
        faulting = range.file_name.c_str();
        break;
      }
    }
  }
  text.Add(faulting);
  const char* module = module_source != nullptr ? module_source() : nullptr;
  if (module != nullptr && *module != '\0') {
    text.Add(" during a call into ");
    text.Add(module);
  }
}

// "2026-12-10T14:05:54", local time.
void BuildTime(const Prepared& prepared, Text& text) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const long long local = static_cast<long long>(now.tv_sec) + prepared.utc_offset_seconds;
  long long days = local / 86400;
  long long seconds = local % 86400;
  if (seconds < 0) {
    seconds += 86400;
    --days;
  }
  // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long day_of_era = days - era * 146097;
  const long long year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const long long day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const long long month_index = (5 * day_of_year + 2) / 153;
  const long long day = day_of_year - (153 * month_index + 2) / 5 + 1;
  const long long month = month_index < 10 ? month_index + 3 : month_index - 9;
  const long long year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  text.AddNumber(static_cast<long>(year), 4);
  text.Add("-");
  text.AddNumber(static_cast<long>(month), 2);
  text.Add("-");
  text.AddNumber(static_cast<long>(day), 2);
  text.Add("T");
  text.AddNumber(static_cast<long>(seconds / 3600), 2);
  text.Add(":");
  text.AddNumber(static_cast<long>(seconds / 60 % 60), 2);
  text.Add(":");
  text.AddNumber(static_cast<long>(seconds % 60), 2);
}

bool WriteBytes(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool WriteMarked(int fd, const MarkedText& marked, const Text& crash_text, const Text& time) {
  for (std::size_t i = 0; i < marked.pieces.size(); ++i) {
    if (!WriteBytes(fd, marked.pieces[i].data(), marked.pieces[i].size())) return false;
    if (i >= marked.markers.size()) break;
    const Text& insert = marked.markers[i] == Marker::kCrashText ? crash_text : time;
    if (!WriteBytes(fd, insert.bytes, insert.length)) return false;
  }
  return true;
}

void WriteResult(const Prepared& prepared, const Text& crash_text, const Text& time) {
  // A pending file planted as a link, or left by this job, goes; the new one is the handler's
  // own.
  unlink(prepared.pending.c_str());
  const int fd =
      open(prepared.pending.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return;
  const bool written = WriteMarked(fd, prepared.result_text, crash_text, time) && fsync(fd) == 0;
  if (close(fd) != 0 || !written) {
    unlink(prepared.pending.c_str());
    return;
  }
  if (rename(prepared.pending.c_str(), prepared.result.c_str()) != 0) return;
  const int folder = open(prepared.result_folder.empty() ? "." : prepared.result_folder.c_str(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
}

void WriteLog(const Prepared& prepared, const Text& crash_text, const Text& time) {
  if (prepared.log_path.empty()) return;
  const int fd =
      open(prepared.log_path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return;
  for (const MarkedText& line : prepared.log_lines) {
    // One write per line, so that lines of other writers do not cut into it.
    Text whole;
    for (std::size_t i = 0; i < line.pieces.size(); ++i) {
      whole.Add(line.pieces[i]);
      if (i >= line.markers.size()) break;
      const Text& insert = line.markers[i] == Marker::kCrashText ? crash_text : time;
      whole.Add(insert.bytes, insert.length);
    }
    WriteBytes(fd, whole.bytes, whole.length);
  }
  close(fd);
}

void OnFault(int signal, siginfo_t*, void* context) {
  const int saved_errno = errno;
  if (handling.exchange(true)) {
    for (;;) pause();
  }
  const Prepared* prepared = current.load();
  Text crash_text;
  BuildCrashText(prepared, signal, context, crash_text);
  if (prepared != nullptr) {
    Text time;
    BuildTime(*prepared, time);
    if (prepared->has_result) WriteResult(*prepared, crash_text, time);
    WriteLog(*prepared, crash_text, time);
  }
  // The signal's own end: the default action, once this handler returns and the faulting
  // instruction runs again (or at once, for a signal that was sent).
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigemptyset(&fallback.sa_mask);
  sigaction(signal, &fallback, nullptr);
  raise(signal);
  errno = saved_errno;
}

}  // namespace

void InstallCrashResultWriter(CrashModuleSource module_in_call) {
  module_source = module_in_call;
  // A stack of its own: a fault may come from a stack that is used up.
  static std::vector<char> stack(std::size_t{256} * 1024);
  stack_t alternate{};
  alternate.ss_sp = stack.data();
  alternate.ss_size = stack.size();
  sigaltstack(&alternate, nullptr);
  struct sigaction action {};
  action.sa_sigaction = &OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  sigemptyset(&action.sa_mask);
  for (int signal : kFaultSignals) sigaddset(&action.sa_mask, signal);
  for (int signal : kFaultSignals) sigaction(signal, &action, nullptr);
  Publish(NextSlot());
  installed = true;
}

bool CrashResultWriterInstalled() { return installed; }

bool PrepareCrashResult(const CrashResult& result) {
  const std::optional<std::string> pending = CheckedNativePath(result.pending_path);
  const std::optional<std::string> target = CheckedNativePath(result.result_path);
  if (!pending || !target) return false;
  // A result file is never written through a link; nor is what a link points at published.
  struct stat link_status;
  if (lstat(pending->c_str(), &link_status) == 0 && S_ISLNK(link_status.st_mode)) return false;
  Prepared& next = NextSlot();
  next.has_result = true;
  next.pending = *pending;
  next.result = *target;
  next.result_folder = NativeParent(*target);
  next.result_text = SplitAtMarkers(result.text);
  Publish(next);
  return true;
}

void DiscardCrashResult() {
  Prepared& next = NextSlot();
  next.has_result = false;
  next.result_text = MarkedText();
  Publish(next);
}

void PrepareCrashLog(const std::string& log_path, const std::vector<std::string>& lines) {
  Prepared& next = NextSlot();
  const std::optional<std::string> native = CheckedNativePath(log_path);
  next.log_path = native.value_or(std::string());
  next.log_lines.clear();
  for (const std::string& line : lines) next.log_lines.push_back(SplitAtMarkers(line));
  Publish(next);
}

}  // namespace radlyn::platform
