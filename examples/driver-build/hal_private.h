/* The mini-HAL's view of the configuration block, for compiling generated sources. */
#ifndef HAL_PRIVATE_H
#define HAL_PRIVATE_H

#include <stdint.h>

#include "chip.h"

#define HALCHIPID "62500"

#define fINDIRECT_INTERFACE 0x80000000UL
#define fPCCARD_INTERFACE 0x00000400UL
#define fDEBUG_REG_WRITES 0x00000100UL

/* Steps of the register programming sequence. */
#define REGFLAG_PREPARECLKS 0xFFFA
#define REGFLAG_CONFIGURECLKS 0xFFFB
#define REGFLAG_PLLDELAY 0xFFFC
#define REGFLAG_OFFDELAY 0xFFFD
#define REGFLAG_ONDELAY 0xFFFE
#define REGFLAG_ENDOFTABLE 0xFFFF

typedef struct {
  uint16_t Index;
  uint16_t Value;
} HAL_REGISTER;

typedef struct {
  char szIdString[16];
  char szConfigDesc[256];
  char szChipId[8];
  uint16_t wSize;
  uint16_t wCrc;
  uint16_t wEndianDetect;
  uint16_t wFrameRate;
  uint32_t dwInternalOsc;
  uint32_t dwClki;
  uint32_t dwPclk;
  uint16_t wWidth;
  uint16_t wHeight;
  uint16_t wBpp;
  uint16_t wPadding;
  uint32_t dwBaseAddress;
  uint32_t dwRegisterOffset;
  uint32_t dwMemoryOffset;
  uint32_t dwRequiredVram;
  uint32_t dwFlags;
  HAL_REGISTER Regs[34];
} HAL_STRUCT;

_Static_assert(sizeof(HAL_STRUCT) == 464, "the block is 464 bytes");

#endif
