#include <cstdlib>
#include <cstring>

#include "tavspectrum.h"

namespace {

// The element symbols in the order of their atomic numbers.
const char* const kElements[] = {
    "H",  "He", "Li", "Be", "B",  "C",  "N",  "O",  "F",  "Ne", "Na", "Mg", "Al", "Si", "P",  "S",  "Cl", "Ar",
    "K",  "Ca", "Sc", "Ti", "V",  "Cr", "Mn", "Fe", "Co", "Ni", "Cu", "Zn", "Ga", "Ge", "As", "Se", "Br", "Kr",
    "Rb", "Sr", "Y",  "Zr", "Nb", "Mo", "Tc", "Ru", "Rh", "Pd", "Ag", "Cd", "In", "Sn", "Sb", "Te", "I",  "Xe",
    "Cs", "Ba", "La", "Ce", "Pr", "Nd", "Pm", "Sm", "Eu", "Gd", "Tb", "Dy", "Ho", "Er", "Tm", "Yb", "Lu", "Hf",
    "Ta", "W",  "Re", "Os", "Ir", "Pt", "Au", "Hg", "Tl", "Pb", "Bi", "Po", "At", "Rn", "Fr", "Ra", "Ac", "Th",
    "Pa", "U",  "Np", "Pu", "Am", "Cm", "Bk", "Cf", "Es", "Fm", "Md", "No", "Lr", "Rf", "Db", "Sg", "Bh", "Hs",
    "Mt", "Ds", "Rg", "Cn", "Nh", "Fl", "Mc", "Lv", "Ts", "Og",
};

}  // namespace

bool IsNucleusName(const char* name) {
  if (name == nullptr || name[0] < '1' || name[0] > '9') return false;
  int mass = 0;
  const char* p = name;
  while (*p >= '0' && *p <= '9' && mass < 1000) mass = 10 * mass + (*p++ - '0');
  if (mass > 299) return false;
  for (int z = 1; z <= static_cast<int>(sizeof kElements / sizeof kElements[0]); ++z)
    if (std::strcmp(p, kElements[z - 1]) == 0) return mass >= z;
  return false;
}

int Spectrum::SetNucleus(const char* name) {
  if (!IsNucleusName(name)) return 0;
  nucleus_ = name;
  return 1;
}
