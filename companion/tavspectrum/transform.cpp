#include "tavspectrum.h"

// Code 8 (the imaginary part from the real part) is not computed yet.
int Spectrum::Transform(unsigned) { return 0; }
