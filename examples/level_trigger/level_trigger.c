/*
 * Captures a paced block that starts where a signal rises through a level,
 * then measures the signal's frequency from the rising crossings in it.
 *
 *   level_trigger [CHANNEL [LEVEL_VOLTS]]      (default: channel 0, 0 V)
 *
 * 1000 samples at 5 kHz (divisor 500 on a 10 MHz clock): 0.2 s of signal.
 */
#include <stdio.h>
#include <stdlib.h>

#include <velkio.h>

#define COUNT 1000
#define DIVISOR 500
#define CLOCK_HZ 10e6        /* the counter/timer's input clock on the simulated board */
#define FULL_SCALE_VOLTS 5.0 /* gain code 1, which InitVelk selects */

/* The 12-bit sample nearest to volts. */
static int16_t VoltsToSample(double volts) {
  double code = volts / FULL_SCALE_VOLTS * 2048.0;
  return (int16_t)(code < 0 ? code - 0.5 : code + 0.5);
}

int main(int argc, char **argv) {
  uint16_t channel = 0;
  double level_volts = 0.0;
  char *end = NULL;
  if (argc > 1) {
    unsigned long value = strtoul(argv[1], &end, 10);
    if (*argv[1] == '\0' || *end != '\0' || value > 15) {
      fprintf(stderr, "not a channel (0-15): %s\n", argv[1]);
      return 2;
    }
    channel = (uint16_t)value;
  }
  if (argc > 2) {
    level_volts = strtod(argv[2], &end);
    if (*argv[2] == '\0' || *end != '\0' || level_volts < -FULL_SCALE_VOLTS ||
        level_volts > FULL_SCALE_VOLTS) {
      fprintf(stderr, "not a level from -5 to 5 volts: %s\n", argv[2]);
      return 2;
    }
  }
  const int16_t level = VoltsToSample(level_volts);

  static int16_t block[COUNT];
  InitVelk();
  /* Samples at the pacer's rate and stores nothing until one sample lies below
   * the level and the next above it (rising = 1); block[0] is the one above.
   * Gives up after 1,000,000 samples without a crossing. */
  if (ADChanMultiSyncVelk(block, COUNT, channel, DIVISOR, 1, level) == VELKIO_TIMEOUT_STATUS) {
    fprintf(stderr, "time-out: no rising crossing of %.3f V on channel %u\n", level_volts,
            (unsigned)channel);
    return 1;
  }

  printf("triggered on channel %u rising through %.3f V (sample %d)\n", (unsigned)channel,
         level_volts, level);
  printf("first samples:");
  for (int i = 0; i < 8; ++i)
    printf(" %d", block[i]);
  printf("\n");

  /* Later rising crossings: a sample below the level followed by one at or
   * above it. */
  int crossings = 0, last = 0;
  for (int i = 1; i < COUNT; ++i) {
    if (block[i - 1] < level && block[i] >= level) {
      ++crossings;
      last = i;
    }
  }
  const double period_s = 4.0 * DIVISOR / CLOCK_HZ;
  if (crossings == 0)
    printf("no further rising crossing in %.3f s\n", COUNT * period_s);
  else
    printf("%d more rising crossings in %.3f s: about %.1f Hz\n", crossings, COUNT * period_s,
           crossings / (last * period_s));
  return 0;
}
