/*
 * velkio_sim: the test bench of the simulated Velk board.
 *
 * Exported by libvelkio-sim only. Every port access and every change of the
 * interrupt state that the library makes goes through the bench, which
 *  - records it as one trace event, in program order (while tracing is on),
 *  - counts it per operation and port (always, also while tracing is off),
 *  - answers reads from a per-port script, else a per-port default, else
 *    the simulated board itself (described below). The board sees every
 *    access either way: a scripted read still takes its bus cycle and has
 *    its effect on the board, and only the value returned is the script's.
 *
 * Tracing is off when the library is loaded, so that an application run
 * unmodified on the simulated board keeps no record of its accesses;
 * velk_sim_reset turns it on. The bench serves one thread at a time, like
 * the library.
 */
#ifndef VELKIO_SIM_H
#define VELKIO_SIM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The kinds of bus operation the library makes. */
enum velk_sim_op {
  VELK_SIM_READ8 = 1,   /* 8-bit port read; value is the byte returned */
  VELK_SIM_READ16 = 2,  /* 16-bit port read; value is the word returned */
  VELK_SIM_WRITE8 = 3,  /* 8-bit port write; value is the byte written */
  VELK_SIM_WRITE16 = 4, /* 16-bit port write; value is the word written */
  VELK_SIM_IRQ_OFF = 5, /* processor interrupts off; port and value 0 */
  VELK_SIM_IRQ_ON = 6   /* processor interrupts on; port and value 0 */
};

/* One recorded operation. op holds a velk_sim_op. A bus delay shows as an
 * 8-bit read of port 0x61. */
typedef struct velk_sim_event {
  uint16_t op;
  uint16_t port;
  uint16_t value;
} velk_sim_event;

/* Puts the board in its power-on state and the library's state back to its
 * load values (base 0x300, control byte 0x90, interrupt policy 0); clears
 * every script, default, trace event and count; turns tracing on and
 * processor interrupts on. Records nothing. */
void velk_sim_reset(void);

/* Queues count values to be returned, in order, by the next reads of port
 * (appended after any values still queued). An 8-bit read takes the low
 * byte. values is copied; it may be NULL when count is 0. */
void velk_sim_script(uint16_t port, const uint16_t *values, size_t count);

/* Sets the value that reads of port return once its script is used up
 * (until the next velk_sim_reset). */
void velk_sim_script_default(uint16_t port, uint16_t value);

/* Turns the recording of trace events on (non-zero) or off (0). Counting
 * goes on either way. Off at load, on after velk_sim_reset. A trace grows by
 * 6 bytes an access while it is on. */
void velk_sim_trace_enable(int on);

/* Returns the number of trace events recorded since the last reset or
 * velk_sim_trace_clear. */
size_t velk_sim_trace_count(void);

/* Copies trace events first .. first+max-1 (as many as exist) to out and
 * returns how many it copied (0 when first is past the end). */
size_t velk_sim_trace(velk_sim_event *out, size_t first, size_t max);

/* Clears the trace and every count. */
void velk_sim_trace_clear(void);

/* Returns how many operations op were made on port since the last reset or
 * velk_sim_trace_clear, whether tracing was on or not. For the interrupt
 * operations pass port 0. */
uint64_t velk_sim_count(enum velk_sim_op op, uint16_t port);

/* Returns 1 if the simulated processor's interrupts are on, else 0. */
int velk_sim_interrupts_enabled(void);

/* Sets the simulated processor's interrupt flag (non-zero: on) without
 * recording an event or counting. */
void velk_sim_set_interrupts(int enabled);

/* ------------------------------------------------------------------------
 * The simulated board
 *
 * Time. The board keeps simulated time in nanoseconds, from 0 at reset. Every
 * bus operation the library makes (a status poll, each read of port 0x61,
 * any access in or outside the board) lasts one bus cycle (default 1000 ns);
 * nothing else moves time, and the host's clock plays no part, so the same
 * calls give the same results on any machine.
 *
 * Ports. The board answers at the library's current base address, as if its
 * address switches were set to match. Reads of a port that nothing drives
 * (outside the board, or the board's write-only registers) return 0xFFFF, or
 * 0xFF for an 8-bit read, as a floating bus does.
 *
 * A/D converter. 16 channels, each fed by a signal source. The gain code of
 * the control register selects the input range +-10 V / 2^gain: +-10 V,
 * +-5 V, +-2.5 V, +-1.25 V for codes 0-3. Any write to the status port (the
 * library writes 0xFFFF), or a pulse of counter 1, starts a conversion: it
 * samples the channel in the control register at that moment, and after the
 * conversion time (default 4000 ns) latches the data word and sets status
 * bit 7. The word holds the 12-bit two's complement code
 * round(volts / range * 2048), clipped to -2048..2047, with bits 15-12 set.
 * Reading the data port clears bit 7; nothing else does. A result that is
 * not read before the next one is overwritten (newest wins, bit 7 stays set,
 * velk_sim_overruns counts it). A conversion started while another runs
 * abandons the one running, so a pacer faster than the conversion time
 * never lets a result through.
 *
 * Counter/timer. An 8254 on a 10 MHz input clock by default: control word
 * (counter, read/load, mode; a control word stops the counter until its count
 * is loaded), count bytes low then high, a count of 0 counting 65536, modes 2
 * and 3 periodic, modes 0 and 4 firing once, modes 1 and 5 waiting for a gate
 * trigger that never comes. Counters 0 and 2 count the input clock; counter 1
 * counts the pulses of counter 0, and each of its pulses starts a conversion.
 * With the library's pacer (counter 0 loaded with 4, counter 1 with the
 * divisor d) a conversion starts every 4 * d input clocks: 5 kHz for d = 500.
 *
 * Limits at the default timing. A pacer period below the conversion time
 * (d < 10) never completes a conversion, so every paced acquisition times out
 * after its budget of status reads, as on the real board; d = 10 (250 kHz)
 * is the fastest that works for ADChanMultiVelk and ADChanMultiSyncVelk. A
 * scan of ADChansMultiVelk must end before the next pacer tick, and with two
 * or more channels its run of status reads after each software trigger must
 * outlast the conversion: the fastest divisors that work are 10, 40, 70, 130
 * and 256 for 1, 2, 4, 8 and 16 channels (about 15 * (channels + 1), and at
 * least 16 * channels). ADVelk and ADChanVelk allow a conversion time of up to
 * 10 bus cycles, ADChansVelk, whose one status read comes 7 bus cycles after
 * each trigger, up to 7. A slower paced block never times out on a running
 * pacer: once the library falls behind, it reads the newest results and
 * misses the others (see velk_sim_overruns).
 *
 * Analog output. The D/A converter takes bits 11-0 of the output word (the
 * upper bits are ignored) as offset binary over -10 V .. +10 V * 2047/2048:
 * 0x000 is -10 V, 0x800 is 0 V, 0xFFF is +9.995 V. 0 V at reset.
 *
 * Digital port. An 8-bit output latch (0 at reset) and an 8-bit input
 * pattern (0xA5 at reset); with the digital loopback on, the input reads the
 * output latch. A 16-bit read of the port returns the byte under 0xFF.
 *
 * Defaults. velk_sim_reset brings every setting below back to its default:
 * the signals of the table, noise seed 1, bus cycle 1000 ns, conversion time
 * 4000 ns, clock 10 MHz, no loopback, digital input 0xA5, no fault, time 0,
 * control register 0, D/A word 0x0800, digital output 0, counters
 * unprogrammed, no result ready and the data register holding 0xF000.
 *
 *   channel  signal (volts, hertz)
 *     0      sine, amplitude 4, 50 Hz
 *     1      sine, amplitude 2, 1 kHz
 *     2      square, amplitude 3, 10 Hz
 *     3      triangle, amplitude 3, 20 Hz
 *     4      sawtooth, amplitude 3, 5 Hz
 *     5      sine, amplitude 1, 50 Hz, noise 0.05 (standard deviation)
 *     6      sine, amplitude 4.5, 0.5 Hz
 *     7      0 V DC, noise 0.01
 *   8 .. 15  DC: -3.5, -2.5, -1.5, -0.5, 0.5, 1.5, 2.5, 3.5
 *
 * Every signal has phase 0 at time 0. At the library's initial gain code 1
 * (+-5 V) all of them lie inside the range.
 * ------------------------------------------------------------------------ */

/* Signal shapes. Each periodic shape rises through its offset at phase 0 and
 * swings amplitude_v either side of it. */
enum velk_sim_wave {
  VELK_SIM_DC = 0,       /* offset_v; amplitude, frequency and phase unused */
  VELK_SIM_SINE = 1,     /* sine */
  VELK_SIM_SQUARE = 2,   /* +amplitude for the first half period, -amplitude after */
  VELK_SIM_TRIANGLE = 3, /* linear rise to +amplitude at 1/4, fall to -amplitude at 3/4 */
  VELK_SIM_SAWTOOTH = 4, /* linear rise from -amplitude to +amplitude, 0 at phase 0 */
  VELK_SIM_WAVEFORM = 5  /* recorded volts played back (velk_sim_set_waveform); reported only */
};

/* One channel's signal source. */
typedef struct velk_sim_signal {
  int32_t wave;        /* a velk_sim_wave */
  double amplitude_v;  /* peak deviation from the offset, volts */
  double frequency_hz; /* 0 or more */
  double offset_v;     /* volts */
  double phase_deg;    /* phase at time 0, degrees */
  double noise_v;      /* standard deviation of Gaussian noise added to each sample, 0 or more */
} velk_sim_signal;

/* Feeds channel (0-15) with signal from now on; a recording played on the
 * channel is dropped. Returns 0, or -1 changing nothing when channel is above
 * 15, signal is NULL, wave is not one of DC .. SAWTOOTH, a number is not
 * finite, or the frequency or noise is negative. */
int velk_sim_set_signal(uint16_t channel, const velk_sim_signal *signal);

/* Copies channel's signal to out and returns 0; -1 for a channel above 15
 * or a NULL out. A recording shows as VELK_SIM_WAVEFORM with its loop rate
 * (sample rate / count) as the frequency. */
int velk_sim_get_signal(uint16_t channel, velk_sim_signal *out);

/* Plays count recorded values (volts, copied) on channel, each held for
 * 1 / sample_rate_hz seconds, looping from the first after the last; value
 * i plays from time i / sample_rate_hz after each multiple of the loop's
 * length, counted from time 0. No noise is added. Returns 0, or -1 changing
 * nothing when channel is above 15, volts is NULL, count is 0, a value is not
 * finite, or the rate is not a positive finite number. */
int velk_sim_set_waveform(uint16_t channel, const double *volts, size_t count,
                          double sample_rate_hz);

/* Restarts the noise generator from seed (1 at reset). The generator is
 * drawn once for every conversion of a channel with noise, so the same seed
 * and the same calls give the same samples. */
void velk_sim_set_seed(uint64_t seed);

/* Sets the length of one bus operation (1000 ns at reset). Returns 0, or -1
 * for 0. */
int velk_sim_set_bus_cycle_ns(uint32_t ns);

/* Sets the conversion time for conversions started from now on (4000 ns at
 * reset; 0 makes a result ready at the start). */
void velk_sim_set_conversion_ns(uint32_t ns);

/* Sets the counter/timer's input clock (10000000 Hz at reset). A counter
 * counting on the clock restarts its count at the new rate. Returns 0, or -1
 * for 0. */
int velk_sim_set_clock_hz(uint32_t hz);

/* Wires the analog output into A/D channel 0-15 in place of its signal, or
 * removes the wire for -1 (the default). Returns 0, or -1 for any other
 * value. At gain code 0 a value written with DAVelk converts back to itself. */
int velk_sim_loop_analog(int channel);

/* With on non-zero, the digital input reads the digital output latch; with 0
 * (the default) it reads the input pattern. */
void velk_sim_loop_digital(int on);

/* Sets the pattern the digital input reads while the loopback is off. */
void velk_sim_set_digital_input(uint8_t pattern);

/* Faults, combined with OR. */
enum velk_sim_fault {
  /* The converter never becomes ready: the ready bit clears now and stays
   * clear, so every wait of the library ends in its time-out. */
  VELK_SIM_FAULT_NEVER_READY = 1,
  /* No board answers: every read at the board's ports returns 0xFFFF and
   * every write there is lost, as on a floating bus. Since 0xFFFF has the
   * ready bit set, conversions seem to succeed with the raw word 0xFFFF, the
   * sample -1; TestVelk returns 1 and DigInVelk 255. */
  VELK_SIM_FAULT_ABSENT = 2
};

/* Sets the faults in force (0 for none, the default). Returns 0, or -1 for
 * an unknown bit. */
int velk_sim_set_faults(unsigned faults);

/* Simulated time since the last reset, in nanoseconds. */
uint64_t velk_sim_time_ns(void);

/* The control byte the board last received (channel bits 3-0, gain code bits
 * 5-4). */
uint8_t velk_sim_control_register(void);

/* The analog output word last written, all 16 bits as written. */
uint16_t velk_sim_da_word(void);

/* The analog output voltage the word sets. */
double velk_sim_da_volts(void);

/* The digital output latch. */
uint8_t velk_sim_digital_output(void);

/* A counter of the counter/timer, as of now. */
typedef struct velk_sim_counter {
  uint16_t mode;    /* 0-5 (a control word's modes 6 and 7 act as 2 and 3) */
  uint32_t count;   /* initial count, 1-65536 (a loaded 0 shows as 65536); 0 if never loaded */
  int32_t running;  /* 1 while it counts toward a pulse: loaded, no control word since,
                     * and for modes 0 and 4 not yet at its terminal count */
  double output_hz; /* pulse rate of a running counter in mode 2 or 3 (counter 1: while
                     * counter 0 runs in mode 2 or 3 too), else 0 */
} velk_sim_counter;

/* Copies the state of counter (0-2) to out and returns 0; -1 for another
 * counter or a NULL out. */
int velk_sim_get_counter(uint16_t counter, velk_sim_counter *out);

/* Conversions completed since the last reset. */
uint64_t velk_sim_conversions(void);

/* Results overwritten by a newer one before the data port was read, since
 * the last reset. */
uint64_t velk_sim_overruns(void);

#ifdef __cplusplus
}
#endif

#endif /* VELKIO_SIM_H */
