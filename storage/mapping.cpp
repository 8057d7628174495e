#include "storage/mapping.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace k7q {

const char kChangedWhileRead[] = "The file changed while it was read.";

namespace {

// The mappings being read: a fault inside one is a file that shrank.
struct GuardedRange {
  std::atomic<uintptr_t> begin{0};  // 0: a free slot
  std::atomic<uintptr_t> end{0};
  std::atomic<bool> faulted{false};
};
constexpr int kSlots = 64;
GuardedRange slots[kSlots];
struct sigaction previous;

// The action for a bus error that is not a file that shrank.
void (*passOn)(int, siginfo_t*, void*) = nullptr;

// The default action, for a fault and a signal sent by a program alike: raised again, it
// ends the process once the handler returns.
void DefaultAction(int signal, siginfo_t*, void*) {
  struct sigaction fallback {};
  fallback.sa_handler = SIG_DFL;
  sigaction(SIGBUS, &fallback, nullptr);
  raise(signal);
}

void PlainHandler(int signal, siginfo_t*, void*) {
  previous.sa_handler(signal);
}

void OnBusError(int signal, siginfo_t* info, void* context) {
  const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  for (GuardedRange& range : slots) {
    const uintptr_t begin = range.begin.load();
    if (begin == 0 || address < begin || address >= range.end.load()) continue;
    void* at = reinterpret_cast<void*>(address & ~(page - 1));
    if (mmap(at, page, PROT_READ | PROT_WRITE, MAP_FIXED | MAP_PRIVATE | MAP_ANONYMOUS, -1, 0) ==
        MAP_FAILED) {
      break;
    }
    range.faulted = true;
    return;
  }
  passOn(signal, info, context);
}

void InstallHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    sigaction(SIGBUS, nullptr, &previous);
    // A handler that was there first (a sanitizer's, a debugger's) takes the others.
    if (previous.sa_handler == SIG_DFL || previous.sa_handler == SIG_IGN) {
      passOn = DefaultAction;
    } else {
      passOn = previous.sa_flags & SA_SIGINFO ? previous.sa_sigaction : PlainHandler;
    }
    struct sigaction action {};
    action.sa_sigaction = OnBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    sigaction(SIGBUS, &action, nullptr);
  });
}

int Guard(void* data, size_t length) {
  InstallHandler();
  const auto begin = reinterpret_cast<uintptr_t>(data);
  for (int i = 0; i < kSlots; ++i) {
    uintptr_t free = 0;
    // Taken first with an address no fault has, then filled in.
    if (!slots[i].begin.compare_exchange_strong(free, UINTPTR_MAX)) continue;
    slots[i].end = begin + length;
    slots[i].faulted = false;
    slots[i].begin = begin;
    return i;
  }
  return -1;  // unguarded: more mappings at once than slots
}

}  // namespace

Mapping::Mapping(int fd, size_t length, int protection, int flags)
    : fd_(fd), length_(length), data_(mmap(nullptr, length, protection, flags, fd, 0)) {
  if (ok()) slot_ = Guard(data_, length_);
}

Mapping::~Mapping() {
  if (slot_ >= 0) slots[slot_].begin = 0;
  if (ok()) munmap(data_, length_);
}

bool Mapping::ok() const {
  return data_ != MAP_FAILED;
}

bool Mapping::Changed() const {
  struct stat info;
  if (slot_ >= 0 && slots[slot_].faulted) return true;
  return fstat(fd_, &info) != 0 || static_cast<uint64_t>(info.st_size) != length_;
}

}  // namespace k7q
