/* Takes single samples from every channel of the simulated board. */
#include <stdio.h>

#include "velkio.h"

int main(void) {
  InitVelk();
  printf("board ready bit: %u\n", (unsigned)TestVelk());
  for (uint16_t channel = 0; channel < 16; ++channel) {
    int16_t sample = ADChanVelk(channel);
    if (sample == VELKIO_TIMEOUT_STATUS)
      printf("channel %2u: time-out\n", (unsigned)channel);
    else
      printf("channel %2u: %6d\n", (unsigned)channel, sample);
  }
  return 0;
}
