// Windows x86-64 platform layer: kernel32 and msvcrt, called exactly as the runtime's
// contract names them.
#include "core/platform.h"

extern "C" {
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
__declspec(dllimport) void* __stdcall VirtualAlloc(void* address, unsigned long long size,
                                                   unsigned long type, unsigned long protect);
__declspec(dllimport) int __stdcall VirtualFree(void* address, unsigned long long size,
                                                unsigned long type);
__declspec(dllimport) void __stdcall GetSystemTimePreciseAsFileTime(void* file_time);
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* handle, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) int __stdcall lstrlenA(const char* s);
// msvcrt's own sprintf, not a C library wrapper of the toolchain's.
__declspec(dllimport) int __cdecl sprintf(char* buffer, const char* format, ...);
}

namespace kivo::platform {
namespace {

constexpr unsigned long mem_commit_reserve = 0x3000;
constexpr unsigned long page_read_write = 4;
constexpr unsigned long mem_release = 0x8000;
constexpr uintptr_t page_size = 4096;
constexpr unsigned long std_output_handle = static_cast<unsigned long>(-11);

}  // namespace

void exit_process(uint32_t code) {
  ExitProcess(code);
  __builtin_unreachable();
}

void* block_alloc(uint64_t n) {
  return VirtualAlloc(nullptr, n, mem_commit_reserve, page_read_write);
}

// VirtualFree rounds the address down to its page, so a pointer into the first page of a
// block would release the whole block. Only a page-aligned pointer can be a block's base.
void block_free(void* p) {
  if (reinterpret_cast<uintptr_t>(p) % page_size != 0) return;
  VirtualFree(p, 0, mem_release);
}

int64_t file_time_now() {
  uint64_t file_time = 0;
  GetSystemTimePreciseAsFileTime(&file_time);
  return static_cast<int64_t>(file_time);
}

// A piece of text costs one handle fetch and one WriteFile; its line end, if any, one more
// WriteFile on the same handle.
void console_write(const char* p, int64_t n, bool line_end) {
  void* const out = GetStdHandle(std_output_handle);
  unsigned long written = 0;
  WriteFile(out, p, static_cast<unsigned long>(n), &written, nullptr);
  if (line_end) WriteFile(out, "\n", 1, &written, nullptr);
}

int64_t text_len(const char* s) { return lstrlenA(s); }

int64_t float_text(double v, char* buf) { return sprintf(buf, "%.6f", v); }

}  // namespace kivo::platform
