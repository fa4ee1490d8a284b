// XYZ files: Cartesian coordinates in Angstrom, typically of a calculated
// structure, with no cell, no symmetry and no su. Reads the first structure
// of a file and names the atoms that carry no label of their own.
#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"

// How atoms without a label of their own are named (--xyznames).
enum class TXyzNaming {
  Olex = 0,      // element + 0-based line index in the file, as Olex2 does
  Position = 1,  // element + 1-based position in the atom list
  Element = 2,   // element + running number per element
};

struct TXyzAtom {
  std::string Label;
  std::string Element;
  double X = 0, Y = 0, Z = 0;  // Cartesian, Angstrom
  int Line = 0;                // 0-based index of the file line holding the atom
};

struct TXyzData {
  std::string Comment;     // trimmed comment line
  int StructureCount = 0;  // 1 or more after a successful read
  bool HasLabels = false;  // some atom line carries a label instead of a bare element
  std::vector<TXyzAtom> Atoms;  // the first structure, in file order
};

// The fields of a line: maximal runs of characters other than space, tab and
// comma. At most maxFields are returned, so that a caller that needs only the
// first few fields of a line does not pay for all of them.
std::vector<std::string_view> SplitXyzFields(
    std::string_view line, std::size_t maxFields = std::numeric_limits<std::size_t>::max());

// A coordinate field; Fortran exponents (1.5D-1, 1.5d-1) are accepted.
bool ParseXyzNumber(std::string_view field, double& value);

// A whole number for the count line and the atomic-number form of the first
// field: optional sign and ASCII digits ("+3" and "03" are 3), within the
// 32-bit range. "3.0" is not whole.
bool ParseXyzWholeNumber(std::string_view field, int& value);

// The element that the first field of an atom line gives (an atomic number, a
// bare symbol or a label), and whether that field is a label. An empty element
// means the field names none.
void XyzElement(std::string_view field, std::string& element, bool& isLabel);

// Reads the first structure of an XYZ file and names the unlabelled atoms by
// the scheme (in a file that mixes labelled and unlabelled atoms, by the
// mixed-file rule instead). On failure returns false with the complete
// message in error; never prints.
bool ReadXyzFile(const std::string& path, TXyzNaming naming, TXyzData& data, std::string& error,
                 const TFileSource& files = DiskFiles());
// The same for a file text in memory; path is the name for messages.
bool ReadXyzText(std::string_view text, const std::string& path, TXyzNaming naming,
                 TXyzData& data, std::string& error);
