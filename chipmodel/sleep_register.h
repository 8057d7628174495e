// The 62500's sleep register, named once for the board, the simulated chip and the
// driver headers: bit 0 set puts the panel and the display memory to sleep.
#pragma once

#include <cstdint>

namespace k7q {

constexpr uint32_t kSleepRegister = 0x0008;

}  // namespace k7q
