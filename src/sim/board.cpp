#include "sim/board.h"

#include <algorithm>
#include <cmath>

namespace velk::sim {

namespace {

constexpr double kFullScaleVolts = 10.0;  // the input range at gain code 0, and the output range
constexpr double kCodesPerFullScale = 2048.0;
constexpr unsigned kFaults = Board::kFaultNeverReady | Board::kFaultAbsent;

// The data word of a sample: the 12-bit two's complement code, rounded to the
// nearest step and clipped at the range ends, under bits 15-12 set.
uint16_t DataWord(double volts, unsigned gain_code) {
  if (std::isnan(volts)) volts = 0;  // a frequency too high to keep a phase
  const double full_scale = kFullScaleVolts / (1u << gain_code);
  const double code = std::clamp(std::floor(volts / full_scale * kCodesPerFullScale + 0.5),
                                 -kCodesPerFullScale, kCodesPerFullScale - 1);
  return static_cast<uint16_t>(0xF000 | (static_cast<int>(code) & 0x0FFF));
}

}  // namespace

constinit Board board;

void Board::Reset() {
  *this = Board();
}

void Board::RunEvents() {
  for (;;) {
    const uint64_t tick = timer_.NextPacerTick();
    // A conversion that ends when the next one starts still delivers its result.
    if (conversion_end_ <= now_ && conversion_end_ <= tick) {
      CompleteConversion();
    } else if (tick <= now_) {
      timer_.PacerTicked();
      const uint64_t following = timer_.NextPacerTick();
      if (following <= now_ && following - tick < conversion_ns_)
        conversion_end_ = kNever;  // abandoned by the following tick: no need to sample it
      else
        StartConversion(tick);
    } else {
      break;
    }
  }
  UpdateNextEvent();
}

void Board::UpdateNextEvent() {
  next_event_ = std::min(conversion_end_, timer_.NextPacerTick());
}

// A conversion samples its channel when it starts. A start while another
// conversion runs abandons that one: a pacer faster than the converter
// never lets a conversion finish.
void Board::StartConversion(uint64_t at) {
  const unsigned channel = control_ & 0x0F;
  const unsigned gain_code = (control_ >> 4) & 3;
  converting_word_ = DataWord(InputVolts(channel, at), gain_code);
  conversion_end_ = (faults_ & kFaultNeverReady) != 0 ? kNever : at + conversion_ns_;
}

// The newest result replaces one not yet read, and the ready bit stays set.
void Board::CompleteConversion() {
  if ((status_ & kReadyBit) != 0) ++overruns_;
  data_ = converting_word_;
  status_ = kReadyBit;
  ++conversions_;
  conversion_end_ = kNever;
}

double Board::InputVolts(unsigned channel, uint64_t at) {
  if (static_cast<int>(channel) == analog_loop_channel_) return DaVolts();
  return signals_.Volts(channel, at);
}

double Board::DaVolts() const {
  const int code = static_cast<int>(da_word_ & 0x0FFF) - 0x800;  // the converter takes 12 bits
  return code * kFullScaleVolts / kCodesPerFullScale;
}

uint16_t Board::ReadRegister(uint16_t offset) {
  if ((faults_ & kFaultAbsent) != 0) return kFloatingWord;
  switch (offset) {
    case kStatusOffset:
      return status_;
    case kDataOffset:
      status_ = 0;
      return data_;
    case kDigitalOffset:
      // An 8-bit port: the upper byte of a word read floats.
      return static_cast<uint16_t>(0xFF00 | (digital_loop_ ? digital_output_ : digital_input_));
    default:
      return kFloatingWord;  // the output and counter/timer registers are write-only
  }
}

void Board::WriteRegister(uint16_t offset, uint16_t value, bool byte_wide) {
  if (offset >= kWindowSize || (faults_ & kFaultAbsent) != 0) return;
  const auto low_byte = static_cast<uint8_t>(value & 0xFF);
  switch (offset) {
    case kStatusOffset:
      StartConversion(now_);  // any write is the software trigger
      break;
    case kDataOffset:
      control_ = low_byte;
      break;
    case kDigitalOffset:
      digital_output_ = low_byte;
      break;
    case kDaOffset:
      da_word_ = byte_wide ? static_cast<uint16_t>((da_word_ & 0xFF00) | low_byte) : value;
      break;
    case kCounter0Offset:
    case kCounter0Offset + 2:
    case kCounter2Offset:
      timer_.WriteData((offset - kCounter0Offset) / 2, low_byte, now_);
      break;
    case kTimerControlOffset:
      timer_.WriteControl(low_byte, now_);
      break;
    default:
      return;  // the odd addresses decode nothing
  }
  UpdateNextEvent();
}

bool Board::SetBusCycle(uint32_t ns) {
  if (ns == 0) return false;
  bus_cycle_ns_ = ns;
  return true;
}

bool Board::SetClock(uint32_t hz) {
  if (hz == 0) return false;
  timer_.SetClock(hz, now_);
  UpdateNextEvent();
  return true;
}

bool Board::LoopAnalog(int channel) {
  if (channel < kNoLoopback || channel >= static_cast<int>(Signals::kChannels)) return false;
  analog_loop_channel_ = channel;
  return true;
}

bool Board::SetFaults(unsigned faults) {
  if ((faults & ~kFaults) != 0) return false;
  faults_ = faults;
  if ((faults_ & kFaultNeverReady) != 0) {
    status_ = 0;
    conversion_end_ = kNever;
    UpdateNextEvent();
  }
  return true;
}

}  // namespace velk::sim
