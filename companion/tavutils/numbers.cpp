#include "tavutils.h"

double CVmin(double a, double b) { return b < a ? b : a; }

int CVIsPow2(long n) { return n > 0 && (n & (n - 1)) == 0; }

// Smallest power of two not below n; exact powers stay, anything below 2 gives 1.
long CVNextPow2(long n) {
  long p = 1;
  while (p < n && p < (1L << 30)) p <<= 1;
  return p;
}
