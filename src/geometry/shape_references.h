// The ideal reference polyhedra of the continuous shape measures for CN 2 to
// 8 (those of the program SHAPE 2.1), built into the program, and their
// lookup by label.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "crystal/vector.h"

inline constexpr int kMinShapeCN = 2;
inline constexpr int kMaxShapeCN = 8;

struct TShapeReference {
  std::string_view Label;        // e.g. "SP-4"
  int CN = 0;                    // number of vertices
  std::string_view Symmetry;     // point group, e.g. "D4h"
  std::string_view Name;         // e.g. "Square", in ASCII
  std::string_view ManualLabel;  // the SHAPE manual's label where it differs, else ""
  // The CN vertices in the reference file's order, then the centre (the
  // position of the central atom); centred on the centroid of the CN + 1
  // points, the squared distances from it adding up to CN + 1.
  std::span<const TVec3> Points;
};

// Every built-in reference, CN 2 to 8, in the reference file's order.
std::span<const TShapeReference> AllShapeReferences();

bool ShapesDefinedFor(int cn);
// The references of one CN in the reference file's order (none outside 2 to 8).
std::vector<const TShapeReference*> ShapeReferencesOfCN(int cn);
// The reference of that CN with the label, ASCII case ignored, or nullptr.
const TShapeReference* FindShapeReference(int cn, std::string_view label);

// The name with the SHAPE manual's label in brackets where it has one, e.g.
// "fac-Trivacant octahedron [fac-vOC-3]".
std::string ShapeNameWithManualLabel(const TShapeReference& reference);
// "SP-4, T-4, SS-4, vTBPY-4"
std::string ShapeLabelList(int cn);
// "unknown shape for CN 4: XX (SP-4, T-4, SS-4, vTBPY-4)"
std::string UnknownShapeMessage(int cn, std::string_view label);

// The references named by labels for a centre of this CN, in the order given
// (a label given twice counts once); every reference of the CN when labels
// is empty. Returns false with the message when a label is not one of that
// CN, or when the CN has no references.
bool ChooseShapeReferences(int cn, const std::vector<std::string>& labels,
                           std::vector<const TShapeReference*>& chosen, std::string& error);
