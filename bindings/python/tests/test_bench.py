"""The bench module: the simulated board's configuration from Python."""

import math

import numpy as np
import pytest

import velkio
from velkio.bench import Counter, Event, Fault, Op, Signal, Wave
from conftest import DATA_PORT, DC_PLUS_3V5, DIGITAL_PORT, STATUS_PORT


def test_trace_records_every_access_in_order(board, bench):
    board.DigOutVelk(0x42)
    board.DigInVelk()
    board.DAVelk(1)
    events = bench.trace()
    assert events == [(Op.WRITE8, DIGITAL_PORT, 0x42), (Op.READ8, DIGITAL_PORT, 0xA5),
                      (Op.WRITE16, 0x306, 0x801)]
    assert all(isinstance(e, Event) and isinstance(e.op, Op) for e in events)
    assert bench.trace_count() == 3
    assert bench.trace(1) == events[1:]
    assert bench.trace(1, 1) == events[1:2]
    assert bench.trace(3) == [] and bench.trace(10, 5) == []
    bench.trace_clear()
    assert bench.trace() == [] and bench.count(Op.WRITE8, DIGITAL_PORT) == 0


def test_counting_goes_on_with_tracing_off(board, bench):
    bench.trace_enable(False)
    for _ in range(3):
        board.DigInVelk()
    assert bench.trace() == []
    assert bench.count(Op.READ8, DIGITAL_PORT) == 3
    bench.trace_enable(True)
    board.DigInVelk()
    assert bench.trace_count() == 1


def test_scripted_reads(board, bench):
    bench.script(DIGITAL_PORT, [1, 2, 0x1FF])
    bench.script_default(DIGITAL_PORT, 7)
    assert [board.DigInVelk() for _ in range(5)] == [1, 2, 0xFF, 7, 7]
    # A scripted sample: the status port says ready, the data port holds it.
    bench.script(STATUS_PORT, [0x80])
    bench.script(DATA_PORT, [0, 0xF123])
    assert board.ADChanVelk(0) == 0x123


def test_interrupt_flag(board, bench):
    bench.set_interrupts(False)
    assert not bench.interrupts_enabled()
    board.TestVelk()  # turns them off and on again
    assert bench.interrupts_enabled()
    assert bench.count(Op.IRQ_OFF) == 1 and bench.count(Op.IRQ_ON) == 1


def test_signals(board, bench):
    bench.set_signal(2, Signal(Wave.DC, offset_v=1.25))
    assert board.ADChanVelk(2) == 512
    square = Signal(Wave.SQUARE, amplitude_v=2.0, frequency_hz=100.0, phase_deg=90.0)
    bench.set_signal(3, square)
    assert bench.get_signal(3) == square
    assert bench.get_signal(0) == Signal(Wave.SINE, 4.0, 50.0, 0.0, 0.0, 0.0)


@pytest.mark.parametrize("channel, signal", [
    (16, Signal(Wave.DC)),
    (0, Signal(Wave.SINE, frequency_hz=-1.0)),
    (0, Signal(Wave.SINE, amplitude_v=math.nan)),
    (0, Signal(Wave.DC, noise_v=-0.1)),
    (0, Signal(Wave.WAVEFORM)),
])
def test_refused_signal_changes_nothing(bench, channel, signal):
    with pytest.raises(ValueError):
        bench.set_signal(channel, signal)
    assert bench.get_signal(0) == Signal(Wave.SINE, 4.0, 50.0)


def test_recorded_waveform(board, bench):
    bench.set_waveform(6, np.full(4, -2.5), 1000.0)
    assert board.ADChanMultiVelk(5, 6, 500).tolist() == [-1024] * 5
    assert bench.get_signal(6).wave == Wave.WAVEFORM
    assert bench.get_signal(6).frequency_hz == 250.0
    for volts, rate in (([], 1000.0), ([1.0], 0.0), ([math.inf], 1.0)):
        with pytest.raises(ValueError):
            bench.set_waveform(6, volts, rate)


def test_noise_repeats_with_its_seed(board, bench):
    def noisy_block(seed):
        bench.reset()
        bench.set_seed(seed)
        return board.ADChanMultiVelk(50, 7, 500)

    assert np.array_equal(noisy_block(5), noisy_block(5))
    assert not np.array_equal(noisy_block(5), noisy_block(6))


@pytest.mark.parametrize("bus_cycle_ns", [1000, 250])
def test_time_moves_one_bus_cycle_per_access(board, bench, bus_cycle_ns):
    bench.set_bus_cycle_ns(bus_cycle_ns)
    board.ADChanMultiVelk(20, 0, 500)
    accesses = sum(1 for e in bench.trace() if e.op not in (Op.IRQ_OFF, Op.IRQ_ON))
    assert bench.time_ns() == accesses * bus_cycle_ns
    assert bench.conversions() >= 20


def test_timing_settings(board, bench):
    bench.set_conversion_ns(20_000)  # longer than ADChanVelk's 10 status reads
    with pytest.raises(velkio.TimeoutError):
        board.ADChanVelk(DC_PLUS_3V5)
    bench.set_clock_hz(1_000_000)
    board.SetTimerVelk(2, 3, 1000)
    assert bench.get_counter(2) == Counter(3, 1000, True, 1000.0)
    for refused in (lambda: bench.set_bus_cycle_ns(0), lambda: bench.set_clock_hz(0),
                    lambda: bench.get_counter(3)):
        with pytest.raises(ValueError):
            refused()


def test_faults(board, bench):
    bench.set_faults(Fault.ABSENT)
    assert (board.ADVelk(), board.TestVelk(), board.DigInVelk()) == (-1, 1, 255)
    bench.set_faults(Fault.NONE)
    assert board.DigInVelk() == 0xA5
    with pytest.raises(ValueError):
        bench.set_faults(4)


def test_loopbacks_and_digital_input(board, bench):
    bench.set_digital_input(0x3C)
    assert board.DigInVelk() == 0x3C
    bench.loop_analog(9)
    board.SetADGainVelk(0)
    board.DAVelk(-700)
    assert board.ADChanVelk(9) == -700
    assert bench.da_volts() == -700 * 10.0 / 2048
    bench.loop_analog(None)
    assert board.ADChanVelk(9) != -700
    with pytest.raises(ValueError):
        bench.loop_analog(16)


def test_overruns_count_results_not_read(board, bench):
    board.SetTimerVelk(0, 2, 4)
    board.SetTimerVelk(1, 2, 10)  # a conversion every 4 us
    for _ in range(100):
        bench.time_ns()
    board.DigInVelk()
    assert bench.overruns() == 0  # time moves with accesses only
    for _ in range(100):
        board.DigInVelk()
    assert bench.overruns() > 0


def test_bench_needs_the_simulated_library(board):
    hardware = velkio.load("hw")
    assert not hardware.simulated
    with pytest.raises(TypeError):
        hardware.bench
