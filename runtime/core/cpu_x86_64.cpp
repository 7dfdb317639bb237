// Reading the processor, and the choices the dispatching routines have made.
#include "core/cpu_x86_64.h"

#include <cpuid.h>

namespace kivo::cpu {
namespace {

constexpr uint8_t unread = 0xFF;
constexpr uint8_t level_bits = 3;
constexpr uint8_t erms_bit = 4;

// The routines that have chosen, so that force_baseline can make them choose again. Five
// routines dispatch; the room is only ever filled once between two resets.
struct choice {
  void* slot;
  void* chooser;
};
constexpr int choice_room = 8;

// One record with a nonzero start, so that it lies with the program's other initialised data:
// zeroed data would take a page of its own in the Linux showcase, and a page fault at start-up.
struct cpu_state {
  uint8_t features = unread;
  bool follow_processor = true;
  int choice_count = 0;
  choice choices[choice_room] = {};
};
cpu_state state;

uint8_t read_features() {
  // Each cpuid is a trip to the hypervisor in a virtual machine, some microseconds of a
  // program's start: two are read. A processor with XSAVE describes it in leaf 13, so it has
  // leaf 7 too.
  unsigned a = 0, b = 0, c = 0, d = 0;
  __cpuid(1, a, b, c, d);
  // The instructions alone are not enough: the OS must save the registers' upper parts
  // (XCR0 bits 1 and 2 for AVX; 5 to 7, the mask registers and the upper 256 bits and
  // registers of AVX-512), or another thread's values would show through ours.
  constexpr unsigned osxsave = 1u << 27, avx = 1u << 28;  // OSXSAVE: XSAVE, and the OS uses it
  if ((c & (osxsave | avx)) != (osxsave | avx)) return 0;
  unsigned xcr0 = 0, xcr0_high = 0;
  asm volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0_high) : "c"(0));
  if ((xcr0 & 0x6) != 0x6) return 0;
  __cpuid_count(7, 0, a, b, c, d);
  constexpr unsigned avx2 = 1u << 5, erms = 1u << 9, avx512 = 1u << 16 | 1u << 30 | 1u << 31;  // F, BW, VL
  if ((b & avx2) == 0) return 0;
  const uint8_t level = (b & avx512) == avx512 && (xcr0 & 0xE6) == 0xE6 ? 2 : 1;
  return static_cast<uint8_t>(level | ((b & erms) != 0 ? erms_bit : 0));
}

uint8_t read() {
  if (state.features == unread) state.features = read_features();
  return state.features;
}

}  // namespace

int vector_level() { return read() & level_bits; }

int chosen_level() { return state.follow_processor ? vector_level() : 0; }

bool fast_rep_movsb() { return (read() & erms_bit) != 0; }

void force_baseline(bool on) {
  state.follow_processor = !on;
  // The slots hold function pointers of several types; their bytes are those of the
  // chooser's address whatever the type.
  for (int i = 0; i < state.choice_count; ++i) {
    __builtin_memcpy(state.choices[i].slot, &state.choices[i].chooser, sizeof(void*));
  }
  state.choice_count = 0;
}

void chose(void* slot, void* chooser) {
  if (state.choice_count < choice_room) state.choices[state.choice_count++] = {slot, chooser};
}

}  // namespace kivo::cpu
