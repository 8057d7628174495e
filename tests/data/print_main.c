#include <stdio.h>
#include "HAL_config.c"

/* Read through a pointer the compiler cannot see through, so that the values printed are
   the ones in the image, not ones folded in at compile time. */
static HAL_STRUCT* volatile block = &HAL_STRUCT_NAME;

int main(void) {
  const HAL_STRUCT* b = block;
  printf("%s|%lu|%lu|%u|%u|%08lX|%08lX|%08lX", b->szConfigDesc, (unsigned long)b->dwInternalOsc,
         (unsigned long)b->dwClki, b->wWidth, b->wHeight, (unsigned long)b->dwBaseAddress,
         (unsigned long)b->dwRegisterOffset, (unsigned long)b->dwFlags);
  for (int i = 0; i < 34 && b->Regs[i].Index != REGFLAG_ENDOFTABLE; ++i) {
    printf("|%04X=%02X", b->Regs[i].Index, b->Regs[i].Value);
  }
  printf("\n");
  return 0;
}
