/* A multiply then an add, in scalar and in four lanes: built with
 * contraction the compiler fuses them and the check must report it; built as
 * the project builds, it must not. */

void probe_scale_add(float* restrict y, const float* restrict x, float a, float b, int n) {
  for (int i = 0; i < n; ++i) y[i] = x[i] * a + b;
}
