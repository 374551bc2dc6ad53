#include "dsp/lanes/envelope_lanes.h"

void multiply_set_process(const multiply_set_job* m, int n) {
  double env[MULTIPLY_SET], mul[MULTIPLY_SET];
  for (int k = 0; k < MULTIPLY_SET; ++k) env[k] = m->env[k], mul[k] = m->mul[k];
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < MULTIPLY_SET; ++k) env[k] *= mul[k];
    if (i % 8 == 7)
      for (int k = 0; k < MULTIPLY_SET; ++k) m->round[MULTIPLY_SET * (i / 8) + k] = env[k];
  }
  for (int k = 0; k < MULTIPLY_SET; ++k) m->env[k] = env[k];
}
