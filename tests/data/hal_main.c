#include <stdio.h>
#include "HAL_config.c"
int main(void) {
  fwrite(&HAL_STRUCT_NAME, sizeof HAL_STRUCT_NAME, 1, stdout);
  return 0;
}
