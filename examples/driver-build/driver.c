/* A driver's start: prints the configuration the image holds (the panel, the clocks, the
   chip's address and the registers programmed at start-up). It is the one file that
   includes HAL_config.c, which instantiates the configuration block. */
#include <stdio.h>

#include "HAL_config.c"

int main(void) {
  const HAL_STRUCT* hal = &HAL_STRUCT_NAME;
  printf("%s\n", hal->szConfigDesc);
  printf("panel %ux%u, %u bpp\n", hal->wWidth, hal->wHeight, hal->wBpp);
  printf("CLKI %lu Hz\n", (unsigned long)hal->dwClki);
  printf("base address %08lX\n", (unsigned long)hal->dwBaseAddress);
  for (int i = 0; i < 34 && hal->Regs[i].Index != REGFLAG_ENDOFTABLE; ++i) {
    printf("register %04X = %02X\n", hal->Regs[i].Index, hal->Regs[i].Value);
  }
  return 0;
}
