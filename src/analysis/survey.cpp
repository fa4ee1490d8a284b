#include "analysis/survey.h"

#include <optional>
#include <unordered_map>

#include "analysis/centre.h"
#include "base/fail.h"
#include "crystal/elements.h"
#include "io/cif.h"

namespace {

// A block that lists atom sites; the others (a publication block, a block
// of cell data only) hold no centre.
bool HoldsAtomSites(const TCifBlock& block) {
  return block.FindLoop("_atom_site_label") != nullptr;
}

// Runs one step of the survey; a failure ends up in result.Error.
template <class TStep>
bool Survived(TCentreResult& result, const TStep& step) {
  try {
    step();
    return true;
  } catch (...) {
    result.Error = FailureMessage(std::current_exception());
    return false;
  }
}

struct TSurveyRun {
  const TFileSource& Files;
  const TAnalysisOptions& Options;
  const TElementSet& Elements;
  const TSurveySink& Take;
};

TCentreResult ResultOf(const std::string& typedPath, std::optional<std::string> block) {
  TCentreResult result;
  result.File = typedPath;
  result.Block = std::move(block);
  return result;
}

// Every centre of one model: the SHELX or XYZ file, or one CIF block.
template <class TLoad>
void SurveyModel(TSurveyRun& survey, const std::string& typedPath, const std::string& path,
                 TInputKind kind, const std::optional<std::string>& block, bool showBlock,
                 const TLoad& load) {
  TLoadedInput loaded;
  loaded.Input.InputPath = path;
  loaded.Input.Kind = kind;
  std::optional<TModelSearch> search;
  std::vector<int> centres;
  TCentreResult modelFailure = ResultOf(typedPath, block);
  modelFailure.Input = path;
  if (!Survived(modelFailure, [&] {
        load(loaded);
        centres = SurveyCentres(loaded.Model, survey.Elements);
        ReadAnglesAt(loaded, centres);
        search.emplace(loaded.Model, centres.size());
      })) {
    survey.Take(modelFailure, showBlock);
    return;
  }
  const std::vector<std::string> automaticLigands;
  const TCentreRequest request{survey.Options, automaticLigands, false, false, true};
  for (int atom : centres) {
    TCentreResult result = AnalyseCentre(loaded, *search, atom, request);
    result.File = typedPath;
    result.Input = path;
    result.Block = block ? *block : std::string();
    survey.Take(result, showBlock);
  }
}

// The blocks of a CIF that are surveyed: the one of --block, or every block
// that holds atom sites.
std::vector<const TCifBlock*> SurveyedBlocks(const TCifFile& cif, const std::string& blockName) {
  if (!blockName.empty()) return {&ChooseBlock(cif, blockName, "")};
  if (cif.BlockCount() == 0) Fatal("no data block found in the CIF.");
  std::vector<const TCifBlock*> blocks;
  for (int i = 0; i < cif.BlockCount(); ++i)
    if (HoldsAtomSites(cif.Block(i))) blocks.push_back(&cif.Block(i));
  if (blocks.empty()) Fatal("no data block with cell parameters and atom sites found.");
  return blocks;
}

void SurveyCif(TSurveyRun& survey, const std::string& typedPath, const std::string& path) {
  TCifFile cif;
  std::vector<const TCifBlock*> blocks;
  TCentreResult fileFailure = ResultOf(typedPath, std::nullopt);
  fileFailure.Input = path;
  if (!Survived(fileFailure, [&] {
        LoadCifFile(path, survey.Files, cif);
        blocks = SurveyedBlocks(cif, survey.Options.blockName);
      })) {
    survey.Take(fileFailure, false);
    return;
  }
  const bool showBlock = cif.BlockCount() > 1;
  for (const TCifBlock* block : blocks)
    SurveyModel(survey, typedPath, path, TInputKind::Cif, std::string(block->Name()), showBlock,
                [&](TLoadedInput& loaded) { LoadCifBlock(cif, *block, loaded); });
}

void SurveyOneFile(TSurveyRun& survey, const std::string& typedPath) {
  std::string path;
  TInputKind kind = TInputKind::Cif;
  TCentreResult fileFailure = ResultOf(typedPath, std::nullopt);
  if (!Survived(fileFailure, [&] { ResolveInputFile(survey.Files, typedPath, path, kind); })) {
    survey.Take(fileFailure, false);
    return;
  }
  if (kind == TInputKind::Cif) {
    SurveyCif(survey, typedPath, path);
    return;
  }
  // A SHELX or XYZ file that cannot be read is the file's failure, not a
  // block's.
  SurveyModel(survey, typedPath, path, kind, std::nullopt, false, [&](TLoadedInput& loaded) {
    LoadStructureFile(survey.Options, survey.Files, loaded);
  });
}

}  // namespace

TElementSet SurveyElements(const std::vector<int>& chosen) {
  TElementSet set{};
  if (!chosen.empty()) {
    for (int z : chosen)
      if (z > 0 && z < static_cast<int>(set.size())) set[z] = true;
    return set;
  }
  for (int z = 1; z < static_cast<int>(set.size()); ++z) set[z] = IsMetal(ElementSymbol(z));
  return set;
}

std::vector<int> SurveyCentres(const TStructure& model, const TElementSet& elements) {
  // Element symbols repeat; each distinct one is looked up in the table once.
  std::unordered_map<std::string, bool> isCentre;
  std::vector<int> centres;
  for (size_t i = 0; i < model.Atoms.size(); ++i) {
    const std::string& element = model.Atoms[i].Element;
    auto known = isCentre.find(element);
    if (known == isCentre.end())
      known = isCentre.emplace(element, elements[ElementIndex(element)]).first;
    // An element read from a label that the formula lacks (Wat1 as W) is
    // no centre.
    if (known->second && !model.Atoms[i].ElementNotInFormula) centres.push_back(static_cast<int>(i));
  }
  return centres;
}

void SurveyFile(const TFileSource& files, const std::string& typedPath,
                const TAnalysisOptions& options, const TElementSet& elements,
                const TSurveySink& take) {
  TSurveyRun survey{files, options, elements, take};
  SurveyOneFile(survey, typedPath);
}
