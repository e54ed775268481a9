// The choices the program keeps in its ini file between runs, in a section of
// their own: how pictures are traced, the ink rule with its threshold or
// colour, and the nucleus. A plot box or an axis calibration belongs to one
// picture and is not kept.
#ifndef QUILLON_SHELL_KEPT_CHOICES_H
#define QUILLON_SHELL_KEPT_CHOICES_H

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "spectrum/choices.h"

constexpr const char kKeptChoicesSection[] = "Tracing";

using IniValues = std::vector<std::pair<std::string, std::string>>;

// The keys and values to write.
IniValues KeptChoices(const ConversionChoices& choices);

// Takes each kept value that reads back whole (`read` gives the text of a
// key, empty when it is missing); a missing or unreadable one leaves the
// choice as it is.
void TakeKeptChoices(ConversionChoices* choices, const std::function<std::string(const std::string& key)>& read);

#endif
