// A small radix-2 FFT and the discrete Hilbert transform built on it. No FFT
// library builds for both of our toolchains, so the library carries its own.
#ifndef TAVSPECTRUM_FFT_H
#define TAVSPECTRUM_FFT_H

#include <complex>
#include <vector>

namespace tav {

// In place. Forward: X[k] = sum x[j] e^{-2 pi i jk/N}; inverse: the same with
// e^{+...} and divided by N. False (nothing done) unless the size is a power of two.
bool Fft(std::vector<std::complex<double>>& a, bool inverse);

// The discrete Hilbert transform along the sample index, with the data taken
// as one period: H[cos] = sin. The mean and the Nyquist component have no
// partner and give nothing. False unless the size is a power of two.
bool Hilbert(const std::vector<double>& x, std::vector<double>& out);

}  // namespace tav

#endif
