#include "geometry/shape_references.h"

#include <algorithm>

#include "base/text.h"

bool ShapesDefinedFor(int cn) { return cn >= kMinShapeCN && cn <= kMaxShapeCN; }

std::vector<const TShapeReference*> ShapeReferencesOfCN(int cn) {
  std::vector<const TShapeReference*> references;
  for (const TShapeReference& reference : AllShapeReferences())
    if (reference.CN == cn) references.push_back(&reference);
  return references;
}

const TShapeReference* FindShapeReference(int cn, std::string_view label) {
  for (const TShapeReference& reference : AllShapeReferences())
    if (reference.CN == cn && (SameTextIgnoringCase(reference.Label, label) ||
                               (!reference.ManualLabel.empty() &&
                                SameTextIgnoringCase(reference.ManualLabel, label))))
      return &reference;
  return nullptr;
}

std::string ShapeNameWithManualLabel(const TShapeReference& reference) {
  std::string name(reference.Name);
  if (!reference.ManualLabel.empty()) {
    name += " [";
    name += reference.ManualLabel;
    name += ']';
  }
  return name;
}

std::string ShapeLabelList(int cn) {
  std::string list;
  for (const TShapeReference* reference : ShapeReferencesOfCN(cn)) {
    if (!list.empty()) list += ", ";
    list += reference->Label;
  }
  return list;
}

std::string UnknownShapeMessage(int cn, std::string_view label) {
  return "unknown shape for CN " + std::to_string(cn) + ": " + std::string(label) + " (" +
         ShapeLabelList(cn) + ")";
}

bool ChooseShapeReferences(int cn, const std::vector<std::string>& labels,
                           std::vector<const TShapeReference*>& chosen, std::string& error) {
  chosen.clear();
  if (!ShapesDefinedFor(cn)) {
    error = "no reference shapes for CN " + std::to_string(cn) + " (they are built in for CN " +
            std::to_string(kMinShapeCN) + " to " + std::to_string(kMaxShapeCN) + ").";
    return false;
  }
  if (labels.empty()) {
    chosen = ShapeReferencesOfCN(cn);
    return true;
  }
  for (const std::string& label : labels) {
    const TShapeReference* reference = FindShapeReference(cn, label);
    if (reference == nullptr) {
      chosen.clear();
      error = UnknownShapeMessage(cn, label);
      return false;
    }
    if (std::find(chosen.begin(), chosen.end(), reference) == chosen.end())
      chosen.push_back(reference);
  }
  return true;
}
