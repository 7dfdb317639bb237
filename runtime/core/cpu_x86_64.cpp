// Reading the processor, and the choices the dispatching routines have made.
#include "core/cpu_x86_64.h"

#include <cpuid.h>

namespace kivo::cpu {
namespace {

constexpr uint8_t unread = 0xFF;
constexpr uint8_t avx2_bit = 1;
uint8_t features = unread;
bool follow_processor = true;

// The routines that have chosen, so that force_baseline can make them choose again. Five
// routines dispatch; the room is only ever filled once between two resets.
struct choice {
  void* slot;
  void* chooser;
};
constexpr int choice_room = 8;
choice choices[choice_room];
int choice_count = 0;

uint8_t read_features() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (__get_cpuid_max(0, nullptr) < 7) return 0;
  __cpuid(1, a, b, c, d);
  // The instructions alone are not enough: the OS must save the upper halves of the
  // registers (XCR0 bits 1 and 2), or another thread's would show through ours.
  constexpr unsigned osxsave = 1u << 27, avx = 1u << 28;
  if ((c & (osxsave | avx)) != (osxsave | avx)) return 0;
  unsigned xcr0 = 0, xcr0_high = 0;
  asm volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0_high) : "c"(0));
  if ((xcr0 & 6) != 6) return 0;
  __cpuid_count(7, 0, a, b, c, d);
  return (b & (1u << 5)) != 0 ? avx2_bit : 0;
}

}  // namespace

bool avx2_usable() {
  if (features == unread) features = read_features();
  return (features & avx2_bit) != 0;
}

bool use_avx2() { return follow_processor && avx2_usable(); }

void force_baseline(bool on) {
  follow_processor = !on;
  // The slots hold function pointers of several types; their bytes are those of the
  // chooser's address whatever the type.
  for (int i = 0; i < choice_count; ++i) __builtin_memcpy(choices[i].slot, &choices[i].chooser, sizeof(void*));
  choice_count = 0;
}

void chose(void* slot, void* chooser) {
  if (choice_count < choice_room) choices[choice_count++] = {slot, chooser};
}

}  // namespace kivo::cpu
