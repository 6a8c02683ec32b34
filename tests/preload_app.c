/* An application linked against the hardware library. Run with
 * LD_PRELOAD=libvelkio-sim.so.1 it must run, unmodified, on the simulated board. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "velkio.h"

int main(void) {
  InitVelk();
  int16_t sample = ADVelk();
  /* Only the simulated library defines the test bench. */
  void *bench = dlsym(RTLD_DEFAULT, "velk_sim_trace_count");
  size_t (*trace_count)(void) = NULL;
  memcpy(&trace_count, &bench, sizeof bench);
  printf("ADVelk=%d simulated=%s accesses=%u\n", sample, trace_count ? "yes" : "no",
         trace_count ? (unsigned)trace_count() : 0u);
  return 0;
}
