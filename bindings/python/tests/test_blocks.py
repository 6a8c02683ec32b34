"""The functions of velkio.h through the binding, on the simulated board."""

import builtins

import numpy as np
import pytest

import velkio
from conftest import (DATA_PORT, DC_MINUS_3V5, DC_PLUS_3V5, SAMPLE_MINUS_3V5, SAMPLE_PLUS_3V5,
                      STATUS_PORT, data_word)


def test_paced_block_in_three_lines(board):
    block = board.ADChanMultiVelk(1000, DC_MINUS_3V5, 500)
    assert block.dtype == np.int16 and block.shape == (1000,)
    assert (block == SAMPLE_MINUS_3V5).all()


def test_single_samples(board):
    assert board.ADChanVelk(DC_PLUS_3V5) == SAMPLE_PLUS_3V5
    board.SetADChanVelk(DC_MINUS_3V5)
    assert board.ADVelk() == SAMPLE_MINUS_3V5
    # ADWaitReadVelk waits for a conversion started elsewhere: here the pacer's.
    board.SetTimerVelk(0, 2, 4)
    board.SetTimerVelk(1, 2, 500)
    assert board.ADWaitReadVelk(100000) == SAMPLE_MINUS_3V5


def test_block_writes_into_out_and_returns_it(board):
    out = np.zeros(10, dtype=np.int16)
    assert board.ADChanMultiVelk(10, DC_PLUS_3V5, 500, out=out) is out
    assert (out == SAMPLE_PLUS_3V5).all()


def test_scans_come_back_one_row_per_scan(board):
    scans = board.ADChansMultiVelk(20, [DC_MINUS_3V5, DC_PLUS_3V5, DC_MINUS_3V5], 500)
    assert scans.shape == (20, 3)
    assert (scans == [SAMPLE_MINUS_3V5, SAMPLE_PLUS_3V5, SAMPLE_MINUS_3V5]).all()
    # Any C-contiguous out of the right size takes the samples in C order.
    flat = np.empty(60, dtype=np.int16)
    board.ADChansMultiVelk(20, np.array([DC_MINUS_3V5, DC_PLUS_3V5, DC_MINUS_3V5]), 500, out=flat)
    assert (flat == scans.reshape(-1)).all()


def test_channel_list_pass(board):
    samples = board.ADChansVelk((DC_PLUS_3V5, DC_MINUS_3V5, DC_PLUS_3V5))
    assert samples.tolist() == [SAMPLE_PLUS_3V5, SAMPLE_MINUS_3V5, SAMPLE_PLUS_3V5]


def test_burst_reads_what_the_data_register_holds(board, bench):
    board.ADChanVelk(DC_PLUS_3V5)  # leaves its result in the data register
    bench.trace_clear()
    burst = board.ADChanMultiFastVelk(5, DC_MINUS_3V5)
    assert burst.tolist() == [SAMPLE_PLUS_3V5] * 5
    assert bench.count(velkio.bench.Op.READ16, DATA_PORT) == 6  # one discarded


def test_level_triggered_block_starts_at_the_crossing(board):
    level = 410  # 1 V on channel 0's 4 V sine
    block = board.ADChanMultiSyncVelk(300, 0, 500, 1, level)
    assert block[0] > level and block[1] > block[0]
    falling = board.ADChanMultiSyncVelk(300, 0, 500, False, level)
    assert falling[0] < level and falling[1] < falling[0]


def test_zero_counts_return_empty_arrays_without_touching_the_board(board, bench):
    assert board.ADChanMultiVelk(0, 3, 500).shape == (0,)
    assert board.ADChansMultiVelk(0, [1, 2], 500).shape == (0, 2)
    assert board.ADChansMultiVelk(4, [], 500).shape == (4, 0)
    assert board.ADChansVelk([]).shape == (0,)
    assert board.ADChanMultiSyncVelk(0, 0, 500, 1, 0).shape == (0,)
    assert board.ADChanMultiFastVelk(0, 3).shape == (0,)
    board.DAMultiVelk([])
    assert bench.trace_count() == 0


def test_analog_output_and_loopback(board, bench):
    board.DAVelk(-2048)
    assert bench.da_word() == 0x000
    board.DAMultiVelk(np.array([5, -7, 123], dtype=np.int16))
    assert bench.da_word() == 0x800 + 123
    bench.loop_analog(4)
    board.SetADGainVelk(0)  # at gain code 0 a written value converts back to itself
    for value in (-2048, -1, 0, 1000, 2047):
        board.DAVelk(value)
        assert board.ADChanVelk(4) == value


def test_digital_port(board, bench):
    assert board.DigInVelk() == 0xA5
    assert board.DigOutVelk(0x15A) == 0
    assert bench.digital_output() == 0x5A
    bench.loop_digital(True)
    assert board.DigInVelk() == 0x5A


def test_setup_counters_and_base_address(board, bench):
    assert board.InitVelk() == 0
    assert board.TestVelk() == 0  # no conversion ready after InitVelk
    board.SetADGainVelk(2)
    board.SetADChanVelk(5)
    assert bench.control_register() == 0x80 | 2 << 4 | 5
    board.SetTimerVelk(2, 3, 1000)
    assert bench.get_counter(2) == velkio.bench.Counter(3, 1000, True, 10_000.0)
    board.StopTimerVelk(2)
    assert not bench.get_counter(2).running
    board.SetBaseAddressVelk(0x280)
    bench.trace_clear()
    board.DigOutVelk(1)
    assert bench.trace() == [(velkio.bench.Op.WRITE8, 0x284, 1)]


@pytest.mark.parametrize("policy, masked", [(0, True), (1, False)])
def test_interrupt_policy_of_paced_blocks(board, bench, policy, masked):
    board.IRQVelk(policy)
    board.ADChanMultiVelk(4, 0, 500)
    assert (bench.count(velkio.bench.Op.IRQ_OFF) > 0) == masked
    assert bench.interrupts_enabled()


class TestTimeouts:
    def test_single_sample_raises_with_no_samples(self, board, bench):
        bench.set_faults(velkio.bench.Fault.NEVER_READY)
        for call in (board.ADVelk, lambda: board.ADChanVelk(3), lambda: board.ADWaitReadVelk(50)):
            with pytest.raises(velkio.TimeoutError) as raised:
                call()
            assert raised.value.samples.shape == (0,)
        # It is the built-in TimeoutError too.
        with pytest.raises(builtins.TimeoutError):
            board.ADVelk()

    @pytest.mark.parametrize("stored", [0, 1, 3])
    def test_paced_block_carries_the_samples_stored_before(self, board, bench, stored):
        # The status port answers "ready" stored times, then never again.
        samples = [-2048, 2047, -1][:stored]
        bench.script_default(STATUS_PORT, 0)
        bench.script(STATUS_PORT, [0x80] * stored)
        bench.script(DATA_PORT, [0] + [data_word(s) for s in samples])  # after one discard
        out = np.zeros(5, dtype=np.int16)
        with pytest.raises(velkio.TimeoutError) as raised:
            board.ADChanMultiVelk(5, 3, 500, out=out)
        assert raised.value.samples.tolist() == samples
        assert raised.value.function == "ADChanMultiVelk"
        # The entries the library did not reach hold the time-out status.
        assert (out[stored:] == velkio.TIMEOUT_STATUS).all()

    def test_scans_carry_the_samples_in_storing_order(self, board, bench):
        # At divisor 15 each sample of a two-channel scan settles for one
        # status read after the scan's wait: ready for scan 1 (wait, 2
        # samples) and the first sample of scan 2, then never again.
        bench.script_default(STATUS_PORT, 0)
        bench.script(STATUS_PORT, [0x80] * 5)
        samples = [11, -22, 33]
        bench.script(DATA_PORT, [0] + [data_word(s) for s in samples])  # after one discard
        with pytest.raises(velkio.TimeoutError) as raised:
            board.ADChansMultiVelk(3, [DC_MINUS_3V5, DC_PLUS_3V5], 15)
        assert raised.value.samples.tolist() == samples

    def test_no_crossing_times_out_empty(self, board):
        with pytest.raises(velkio.TimeoutError) as raised:
            board.ADChanMultiSyncVelk(10, DC_PLUS_3V5, 10, 1, 0)  # a DC channel never crosses
        assert raised.value.samples.shape == (0,)

    def test_channel_list_stops_at_the_first_sample_not_ready(self, board, bench):
        # Each sample checks the ready bit once: ready, ready, not ready.
        bench.script(STATUS_PORT, [0x80, 0x80, 0x00])
        with pytest.raises(velkio.TimeoutError) as raised:
            board.ADChansVelk([DC_PLUS_3V5, DC_MINUS_3V5, DC_PLUS_3V5, DC_MINUS_3V5])
        assert raised.value.samples.tolist() == [SAMPLE_PLUS_3V5, SAMPLE_MINUS_3V5]
