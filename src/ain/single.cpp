// Single conversions.
#include "ain/ain.h"
#include "ain/conversion.h"

namespace velk {

int16_t ADVelk() {
  SoftwareTrigger();
  return CollectSample(SinglePollBudget);
}

int16_t ADChanVelk(uint16_t channel) {
  SelectChannel(channel);
  SoftwareTrigger();
  return CollectSample(SinglePollBudget);
}

int16_t ADWaitReadVelk(uint32_t budget) {
  return CollectSample(budget);
}

}  // namespace velk
