#include <stdio.h>
#include "chip.h"
typedef struct { unsigned long Version, MemAddr, MemSize, RegAddr, SysClk; } HEADER;
typedef struct { unsigned short Index, Value; } PAIR;
typedef struct { HEADER Header; PAIR Regs[40]; } MODE;
static const MODE modes[] = {
#include "mode3.h"
};
int main(void) {
  const MODE* m = &modes[0];
  int i;
  printf("%X %X %X\n", (unsigned)REG0000_SYSTEMSET_P1, (unsigned)REG001A_CGRAMADDR_P2,
         (unsigned)REG0020_GRAYSCALE_P1);
  printf("%lX %lX %lu %lX %lu\n", m->Header.Version, m->Header.MemAddr,
         m->Header.MemSize, m->Header.RegAddr, m->Header.SysClk);
  for (i = 0; i < 40; ++i) {
    printf("%04X=%02X\n", m->Regs[i].Index, m->Regs[i].Value);
    if (m->Regs[i].Index == riREGEND) break;
  }
  return 0;
}
