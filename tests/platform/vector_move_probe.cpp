// An aligned 256-bit move to the stack, written out in assembly: built with
// the AVX units' guard the assembler turns it into an unaligned move, built
// without it the vector-move check must report it.

extern "C" __declspec(dllexport) void vector_move_probe() {
  __asm__ volatile("vmovaps %%ymm0, 32(%%rsp)" ::: "memory");
}
