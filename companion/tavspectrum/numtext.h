// Numbers as text for the writers: locale-independent, and either the fewest
// digits that read back to the same value or a fixed layout.
#ifndef TAVSPECTRUM_NUMTEXT_H
#define TAVSPECTRUM_NUMTEXT_H

#include <string>

namespace tav {

// The fewest digits that read back to the same double.
std::string ShortestDouble(double v);
// The fewest digits that read back to the same float: the value as the user typed it.
std::string ShortestFloat(float v);
// That decimal as a double, so derived values start from what the user meant
// (400.13f is 400.130004883 as a float but 400.13 as typed).
double TypedValue(float v);
// printf-style formatting ("%.6f", "%.9g") with '.' as the decimal point
// whatever the C locale says.
std::string Format(const char* format, double v);
// Like ShortestDouble, but always with a decimal point or exponent, for
// readers that tell floats from integers by their look.
std::string FloatText(double v);
// Free text for one line of a parameter or JCAMP-DX file: control characters
// become blanks.
std::string OneLine(const std::string& text);
// The number a text written by this module stands for.
double ParseNumber(const std::string& text);

}  // namespace tav

#endif
