#include <stdio.h>
#include "K7Q62500.h"
K7Q_INSTANTIATE_REGISTERS(static const, regs);
int main(void) {
  size_t i;
  printf("%d %d %ld %lX %ld %ld %X\n", K7Q_DISPLAY_BPP, K7Q_DISPLAY_FRAME_RATE,
         K7Q_DISPLAY_PCLK, K7Q_PHYSICAL_REG_ADDR, K7Q_PHYSICAL_VMEM_SIZE,
         K7Q_PHYSICAL_VMEM_REQUIRED, K7Q_REGDELAYON);
  for (i = 0; i < sizeof regs / sizeof regs[0]; ++i)
    printf("%04X=%02X\n", regs[i].Index, regs[i].Value);
  return 0;
}
