// The survey's analysis: every centre of the chosen elements in an input
// file, block after block, atom after atom, each as its result; a failing
// file, block or centre gives an error result and the survey goes on.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "analysis/centre_result.h"
#include "analysis/options.h"
#include "base/text.h"

struct TStructure;

// The elements that are centres: those of --elements, or else every element
// of the table except H, He, B, C, N, O, F, Ne, Si, P, S, Cl, Ar, Ge, As, Se,
// Br, Kr, Sb, Te, I, Xe, At and Rn. Indexed by atomic number (0: unknown).
using TElementSet = std::array<bool, 97>;
TElementSet SurveyElements(const std::vector<int>& chosen);

// The atoms of the model whose element is in the set, in atom order.
std::vector<int> SurveyCentres(const TStructure& model, const TElementSet& elements);

// Receives each result as it is known; showBlock is true when the file has
// several data blocks, so that a line should name the block.
using TSurveySink = std::function<void(const TCentreResult& result, bool showBlock)>;

// Every centre of the file (the typed path, or a .res, .ins or .xyz of its
// stem), in file order. A file that cannot be found or read, a block without
// usable atoms and a centre that fails each give one error result.
void SurveyFile(const TFileSource& files, const std::string& typedPath,
                const TAnalysisOptions& options, const TElementSet& elements,
                const TSurveySink& take);
