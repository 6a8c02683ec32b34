/* An application linked against the hardware library. Run with
 * LD_PRELOAD=libvelkio-sim.so.1 it must run, unmodified, on the simulated board. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <string.h>

#include "velkio.h"
#include "velkio_sim.h"

int main(void) {
  InitVelk();
  int16_t sample = ADVelk();
  /* Only the simulated library defines the test bench. */
  void *bench = dlsym(RTLD_DEFAULT, "velk_sim_count");
  uint64_t (*count)(enum velk_sim_op, uint16_t) = NULL;
  memcpy(&count, &bench, sizeof bench);
  printf("ADVelk=%d simulated=%s accesses=%u\n", sample, count ? "yes" : "no",
         count ? (unsigned)count(VELK_SIM_WRITE16, 0x300) : 0u);
  return 0;
}
