// Loading an XYZ file into the structure model, and how its atoms were
// named (for the report header and the "not found" message).
#pragma once

#include <string>
#include <string_view>

#include "model/structure.h"
#include "io/xyz.h"


// What the report needs to know about the XYZ file once the model is filled.
// StructureCount stays 0 when no XYZ file was loaded.
struct TXyzInput {
  std::string Comment;
  int StructureCount = 0;
  bool HasLabels = false;
  TXyzNaming Naming = TXyzNaming::Olex;
  int AtomCount = 0;
};

// Edge of the cubic placeholder cell, in Angstrom: with it the fractional
// coordinates of the model give back the file's Cartesian coordinates.
inline constexpr double kXyzCellEdge = 10000.0;

// Reads the file and fills the model (placeholder cell, identity symmetry,
// all su 0, occupancy 1, no angle table). Ends the run through Fatal with the
// reader's message when the file cannot be read.
void LoadXyzInput(const std::string& path, TXyzNaming naming, TStructure& model, TXyzInput& xyz,
                  const TFileSource& files = DiskFiles());

// How the atoms were named, for the report header.
std::string XyzNamingText(const TXyzInput& xyz);

// The lines appended to a "not found" message for XYZ input, each opened by
// the platform's line end and indented to continue an "Error: " line; empty
// when no XYZ file was loaded.
std::string XyzNamingNote(const TXyzInput& xyz);

// The warning that XYZ input has no su, in one line (the records; the
// report prints it as a paragraph).
inline constexpr std::string_view kXyzNoSuWarning =
    "no standard uncertainties: an XYZ file holds Cartesian coordinates only.";
