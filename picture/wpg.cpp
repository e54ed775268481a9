#include "picture/wpg.h"

#include <cstdlib>

WPGSTATE* WpgState = nullptr;

void FreeWpgState() {
  std::free(WpgState);
  WpgState = nullptr;
}
