/*
 * velkio: driver for the Velk analog and digital I/O board.
 *
 * The board sits in the x86 I/O-port space: eight ports two apart from
 * a base address (0x300 until SetBaseAddressVelk moves it), plus port 0x61,
 * which the library reads only as a one-bus-cycle delay.
 *
 * Conventions shared by every function below:
 *  - Every call runs to completion on the calling thread and touches the
 *    board only through its ports. The library takes no lock, allocates no
 *    memory, starts no thread and keeps no pointer to a caller's array.
 *  - Only the bits an operation uses are looked at: a channel is taken
 *    modulo 16, a gain code modulo 4. Nothing is range-checked, except where
 *    a function says so.
 *  - The one failure reported is a time-out: VELKIO_TIMEOUT_STATUS (0x7FFF),
 *    returned as the status of a block, or in place of a single sample. A
 *    block that times out keeps the samples it stored before the time-out.
 *  - Waits count reads of the status port ("budget"); the library has no
 *    clock.
 *  - "Interrupts" means processor interrupts around a transfer. The hardware
 *    library cannot mask them from Linux user space, so there masking is a
 *    no-op; the simulated library records it.
 *  - A block function given a count of 0 (or a scan of 0 channels) returns at
 *    once (status 0): no port access, no buffer write, no list read, and
 *    the interrupt state left as it was.
 *  - The library state (port numbers, control byte, interrupt policy) is one
 *    per process; calls from several threads must be kept apart by the
 *    caller.
 *
 * Two libraries implement this header: libvelkio (real ports; needs root or
 * CAP_SYS_RAWIO, see the README) and libvelkio-sim (a simulated board, see
 * velkio_sim.h). Both export the same names, so either can stand in for the
 * other at link or load time.
 */
#ifndef VELKIO_H
#define VELKIO_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The time-out status: a wait for the converter ran out of status reads.
 * It equals the sample of the raw data word 0x7FFF, which a working board
 * does not deliver for a 12-bit conversion. */
#define VELKIO_TIMEOUT_STATUS 0x7FFF

/* Ordinal 1. Moves the board to the ports base, base+2, ..., base+14
 * (computed modulo 2^16). Touches no port and does not initialise the board
 * at the new address; the control byte and interrupt policy are kept. The
 * hardware library cannot reach a board at 0xFFF9, 0xFFFD or 0xFFFF (a 16-bit
 * register at port 0xFFFF faults on x86): there it acts as without port
 * permission. */
void SetBaseAddressVelk(uint16_t base);

/* Ordinal 2. Reads one data word (discarded), then the status word, with
 * interrupts off around both reads. Returns 1 if bit 7 (ready) of the status
 * word is set, else 0. Writes nothing and changes no library state.
 * Interrupts are on when it returns. */
uint16_t TestVelk(void);

/* Ordinal 3. Stops the pacer (counter 0), resets the control byte to 0x90
 * (gain code 1, channel 0) and writes it, waits one bus cycle and discards
 * one data word. A gain or channel set before is lost; the interrupt policy,
 * counters 1 and 2, the analog output and the digital port are left alone.
 * Always returns 0. */
uint16_t InitVelk(void);

/* Ordinal 4. Sets the interrupt policy of the paced, triggered and analog
 * output blocks: 0 masks interrupts during those blocks, any other 16-bit
 * value leaves them alone. Touches no port. */
void IRQVelk(uint16_t enable);

/* Ordinal 5. Sets the gain code to gain modulo 4, keeping the channel, and
 * writes the whole control byte to the board (one port access). */
void SetADGainVelk(uint16_t gain);

/* Ordinal 6. Programs counter 0, 1 or 2 of the counter/timer: control word
 * for the counter with mode modulo 8 (modes 6 and 7 are passed to the
 * counter as they are), then count low byte, one bus cycle, high byte, with
 * interrupts off around the three writes. A counter above 2 is refused: the
 * call then touches no port and leaves the interrupt state alone. The
 * counter keeps running after the call. */
void SetTimerVelk(uint16_t counter, uint16_t mode, uint16_t count);

/* Ordinal 7. Stops counter (counter modulo 4; 3 writes 0xF0, which selects
 * no counter) with one control word in mode 0. Writes only the timer
 * control port. */
void StopTimerVelk(uint16_t counter);

/* Ordinal 8. Starts nothing: waits for a conversion started elsewhere,
 * reading the status port at most budget times (0 stands for 2^32), and
 * returns its sample. Returns VELKIO_TIMEOUT_STATUS without reading the data
 * port if no read showed the ready bit. Writes nothing. */
int16_t ADWaitReadVelk(uint32_t budget);

/* Ordinal 9 is vacant. */

/* Ordinal 10. Sets the channel to channel modulo 16, keeping the gain code,
 * writes the whole control byte to the board, waits one bus cycle and
 * discards one data word. */
void SetADChanVelk(uint16_t channel);

/* Ordinal 11. Starts one conversion by software trigger on the channel the
 * board last received, and waits at most 10 status reads for it. Returns the
 * sample (-2048..2047 from a working board), or VELKIO_TIMEOUT_STATUS. */
int16_t ADVelk(void);

/* Ordinal 12. Selects channel (modulo 16, with the current gain code), waits
 * four bus cycles, discards one data word, starts a conversion by software
 * trigger and waits at most 10 status reads for it. Returns the sample or
 * VELKIO_TIMEOUT_STATUS. The library's own channel setting is not changed. */
int16_t ADChanVelk(uint16_t channel);

/* Ordinal 13. Takes one sample from each of channels[0..count-1], in list
 * order, into buffer[0..count-1]. Each sample is triggered by software; the
 * next channel is selected while it converts, and the ready bit is checked
 * once. Returns 0 when all count samples are stored, VELKIO_TIMEOUT_STATUS as
 * soon as one is not ready (buffer entries before it stay stored, the rest
 * are left as they were). Never touches the interrupt state. */
uint16_t ADChansVelk(int16_t *buffer, const uint16_t *channels, uint16_t count);

/* Ordinal 14. Takes count samples from channel into buffer[0..count-1] at the
 * pacer's rate: starts the pacer (counter 0 with 4, counter 1 with divisor),
 * masks interrupts while the interrupt policy is 0, and waits at most 128000
 * status reads for each sample. Returns 0, or VELKIO_TIMEOUT_STATUS at the
 * first sample that does not become ready (earlier samples stay stored).
 * Interrupts are on and the pacer stopped when it returns (count > 0). */
uint16_t ADChanMultiVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor);

/* Ordinal 15. Takes scans passes over channels[0..channelCount-1] at the
 * pacer's rate into buffer[0..scans*channelCount-1], scan by scan
 * (buffer[s*channelCount+i] is channels[i] in scan s). Each scan waits for a
 * pacer conversion (at most 128000 status reads), then converts every listed
 * channel by software trigger, pre-selecting the next channel and reading
 * the status a fixed number of times, the settle count, which grows with
 * divisor/channelCount (1 to 50); only the last of those reads decides. The
 * settle count of data words is discarded before the first scan. Interrupts
 * are masked while the interrupt policy is 0. Returns 0, or
 * VELKIO_TIMEOUT_STATUS at the first sample or scan that is not ready
 * (earlier samples stay stored). Interrupts are on and the pacer stopped
 * when it returns (scans and channelCount > 0). */
uint16_t ADChansMultiVelk(int16_t *buffer, uint32_t scans, const uint16_t *channels,
                          uint16_t channelCount, uint16_t divisor);

/* Ordinal 16. Reads the 8-bit digital input. Returns 0..255. */
uint16_t DigInVelk(void);

/* Ordinal 17. Writes value modulo 256 to the 8-bit digital output. Always
 * returns 0. */
uint16_t DigOutVelk(uint16_t value);

/* Ordinal 18. Writes value to the 12-bit analog output as value + 0x800
 * (modulo 2^16): -2048..2047 map onto 0x000..0xFFF. Nothing is clamped. */
void DAVelk(int16_t value);

/* Ordinal 19. Writes values[0..count-1] to the analog output in order, each
 * as DAVelk does and followed by three bus cycles, with interrupts masked
 * while the interrupt policy is 0. Interrupts are on when it returns
 * (count > 0). */
void DAMultiVelk(const int16_t *values, uint32_t count);

/* Ordinal 20. A paced block of count samples from channel that starts at a
 * level crossing: samples at the pacer's rate (as ADChanMultiVelk) and stores
 * nothing until two consecutive samples lie strictly on either side of level
 * (below then above if rising is non-zero, above then below if it is 0);
 * buffer[0] receives the sample that completed the crossing. level is
 * clamped to -2047..2046. The search gives up after 1,000,000 samples.
 * Returns 0, or VELKIO_TIMEOUT_STATUS if no crossing came or a sample was
 * not ready within 128000 status reads (samples stored before stay stored).
 * Interrupts are on and the pacer stopped when it returns (count > 0). */
uint16_t ADChanMultiSyncVelk(int16_t *buffer, uint32_t count, uint16_t channel, uint16_t divisor,
                             uint16_t rising, int16_t level);

/* Ordinal 21. Reads a burst of count samples from channel into
 * buffer[0..count-1] as fast as the bus allows, one bus cycle apart, with
 * interrupts off: selects the channel, discards one data word, then stores
 * the next count. Starts no conversion and never waits: each sample is what
 * the data register holds at that moment. Interrupts are on when it
 * returns (count > 0). */
void ADChanMultiFastVelk(int16_t *buffer, uint32_t count, uint16_t channel);

#ifdef __cplusplus
}
#endif

#endif /* VELKIO_H */
