/*
 * Takes a timer-paced block of samples from one channel and writes it as CSV.
 *
 *   paced_csv [FILE [CHANNEL [COUNT [DIVISOR]]]]
 *
 * FILE "-" (the default) is standard output. CHANNEL 0-15 (default 0), COUNT
 * samples (default 1000) at one sample every 4 * DIVISOR clock periods of the
 * counter/timer (default 500: 5 kHz on a 10 MHz clock). Columns: sample
 * number, seconds from the first sample, raw sample, volts.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <velkio.h>

/* The counter/timer's input clock: 10 MHz on the simulated board. Set it to
 * your board's; the library itself never needs it. */
#define CLOCK_HZ 10e6

/* Gain code 1 selects the +-5 V input range: a 12-bit sample s stands for
 * s / 2048 * 5 V. */
#define GAIN_CODE 1
#define FULL_SCALE_VOLTS 5.0

/* The number argv[index] holds, or fallback when there is no such argument;
 * exits on anything that is not a whole number from low to high. */
static unsigned long Argument(int argc, char **argv, int index, unsigned long fallback,
                              unsigned long low, unsigned long high) {
  if (index >= argc) return fallback;
  char *end = NULL;
  unsigned long value = strtoul(argv[index], &end, 0);
  if (*argv[index] == '\0' || *end != '\0' || value < low || value > high) {
    fprintf(stderr, "argument %d must be a number from %lu to %lu\n", index, low, high);
    exit(2);
  }
  return value;
}

int main(int argc, char **argv) {
  const char *path = argc > 1 ? argv[1] : "-";
  const uint16_t channel = (uint16_t)Argument(argc, argv, 2, 0, 0, 15);
  const uint32_t count = (uint32_t)Argument(argc, argv, 3, 1000, 1, 10000000);
  const uint16_t divisor = (uint16_t)Argument(argc, argv, 4, 500, 2, 65535);

  /* The library keeps no pointer to the buffer: it is ours before and after. */
  int16_t *block = malloc(count * sizeof *block);
  if (block == NULL) {
    perror("malloc");
    return 1;
  }

  InitVelk(); /* stops the pacer; gain code 1, channel 0 */
  SetADGainVelk(GAIN_CODE);
  /* Starts the pacer, takes count samples, stops the pacer. On a time-out the
   * samples stored before it stay in the buffer; here we give up. */
  if (ADChanMultiVelk(block, count, channel, divisor) == VELKIO_TIMEOUT_STATUS) {
    fprintf(stderr, "time-out: a sample of channel %u did not become ready\n", (unsigned)channel);
    free(block);
    return 1;
  }

  FILE *out = strcmp(path, "-") == 0 ? stdout : fopen(path, "w");
  if (out == NULL) {
    perror(path);
    free(block);
    return 1;
  }
  const double period_s = 4.0 * divisor / CLOCK_HZ;
  fprintf(out, "sample,time_s,raw,volts\n");
  for (uint32_t i = 0; i < count; ++i)
    fprintf(out, "%lu,%.6f,%d,%.4f\n", (unsigned long)i, i * period_s, block[i],
            block[i] * FULL_SCALE_VOLTS / 2048.0);
  free(block);
  if (out != stdout ? fclose(out) != 0 : fflush(out) != 0) {
    perror(path);
    return 1;
  }
  return 0;
}
