#include "dsp/dsp_common.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

void denormal_mode_set() {
#if defined(__x86_64__) || defined(__i386__)
  // Bit 15 flushes denormal results to zero, bit 6 reads denormal inputs as zero.
  // Writing the control register drains the pipeline: only when needed.
  const unsigned csr = _mm_getcsr();
  if ((csr & 0x8040u) != 0x8040u) _mm_setcsr(csr | 0x8040u);
#elif defined(__aarch64__)
  uint64_t fpcr;
  __asm__ __volatile__("mrs %0, fpcr" : "=r"(fpcr));
  fpcr |= (uint64_t{1} << 24);  // FZ: flush-to-zero for inputs and results
  __asm__ __volatile__("msr fpcr, %0" : : "r"(fpcr));
#endif
}
