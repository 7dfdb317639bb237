// The Linux services: process exit, the wall clock and console output, on raw system calls
// with no C library. The heap service is platform_linux_heap.cpp, the string length
// platform_linux_x86_64.cpp (platform_linux_generic.cpp on other processors), the process
// entry platform_linux_entry.cpp.
#include "core/float_format.h"
#include "core/platform.h"
#include "core/platform_linux.h"

namespace kivo::platform {

uint64_t linux_page_size = 4096;

namespace {

using namespace linux_sys;

constexpr long clock_realtime = 0;
constexpr int standard_output = 1;
constexpr short poll_out = 0x4;

// Waits until standard output can take more bytes, for an output left non-blocking (a pipe
// or terminal shared with a program that set O_NONBLOCK). An error or hang-up on the output
// shows in the next write, which then drops the text; false if the wait itself failed.
bool wait_until_writable() {
  struct {
    int fd;
    short events;
    short revents;
  } want{standard_output, poll_out, 0};
  constexpr long no_timeout = 0;  // a null timeout: wait as long as it takes
  constexpr long sigset_bytes = 8;  // no signal mask is given; the size is the kernel's
  long ready;
  do {
    ready = syscall6(sys_ppoll, reinterpret_cast<long>(&want), 1, no_timeout, 0, sigset_bytes, 0);
  } while (ready == -err_intr);
  return !failed(ready);
}

}  // namespace

void exit_process(uint32_t code) {
  for (;;) syscall3(sys_exit_group, code, 0, 0);
}

int64_t file_time_now() {
  struct {
    long sec;
    long nsec;
  } now{};
  syscall3(sys_clock_gettime, clock_realtime, reinterpret_cast<long>(&now), 0);
  constexpr int64_t unix_epoch_in_file_time = 116444736000000000;
  return now.sec * 10000000 + now.nsec / 100 + unix_epoch_in_file_time;
}

namespace {

void write_all(const char* p, int64_t n) {
  while (n > 0) {
    const long written = syscall3(sys_write, standard_output, reinterpret_cast<long>(p), n);
    if (written == -err_intr) continue;
    if (written == -err_again && wait_until_writable()) continue;
    if (written <= 0) return;  // an error or a closed output: the text is dropped, as specified
    p += written;
    n -= written;
  }
}

}  // namespace

void console_write(const char* p, int64_t n, bool line_end) {
  write_all(p, n);
  if (line_end) write_all("\n", 1);
}

int64_t float_text(double v, char* buf) { return float_format_fixed6(v, buf); }

}  // namespace kivo::platform
