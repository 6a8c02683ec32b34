/*
 * velkio_sim: the test bench of the simulated Velk board.
 *
 * Exported by libvelkio-sim only. Every port access and every change of the
 * interrupt state that the library makes goes through the bench, which
 *  - records it as one trace event, in program order (while tracing is on),
 *  - counts it per operation and port (always, also while tracing is off),
 *  - answers reads from a per-port script, else a per-port default, else
 *    the simulated board itself.
 *
 * The bench serves one thread at a time, like the library.
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
 * goes on either way. */
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

#ifdef __cplusplus
}
#endif

#endif /* VELKIO_SIM_H */
