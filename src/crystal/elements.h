// The element table: symbols, atomic numbers, covalent radii, the metals,
// and the element a label names.
#pragma once

#include <string>
#include <string_view>

int ElementIndex(std::string_view symbol);  // 1..96, 0 when unknown
std::string ElementSymbol(int atomicNumber);
bool IsElement(std::string_view symbol);
double CovalentRadius(std::string_view element);  // 1.5 for anything not in the table
std::string LeadingLetters(std::string_view text);
// The element of a label: two leading letters that name an element, else
// one (CO2 is cobalt, C12 carbon); D and T (D1, D2A, T1) are hydrogen.
std::string ElementFromLabel(std::string_view label);
// The metals of the survey: every element but H, He, B, C, N, O, F, Ne, Si,
// P, S, Cl, Ar, Ge, As, Se, Br, Kr, Sb, Te, I, Xe, At and Rn.
bool IsMetal(std::string_view element);
// Deuterium and tritium ("D", "T") are hydrogen; other symbols stay.
std::string HydrogenForIsotopes(std::string element);
