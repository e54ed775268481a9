#include "picture/bitmap.h"

#include <cstdlib>

DIBINFO* DibInfo = nullptr;

void FreeDibInfo() {
  if (DibInfo == nullptr) return;
  std::free(DibInfo->Header);
  std::free(DibInfo);
  DibInfo = nullptr;
}
