// The control-chain lane kernels (dsp/lanes/control_lanes.h), written once
// for any vector policy V after dsp/lanes/lane_core.h,
// dsp/lanes/filter_lane_states.h and dsp/lanes/control_lane_steps.h.

// The entry points of this build of every kernel.
void kernel_control_chain_process_lanes(const control_chain_job* jobs, int count, int n) {
  in_groups<control_chain_job, run_control_chain>(jobs, count, n);
}
