#include "analysis/named_centre.h"

#include "analysis/centre.h"
#include "base/fail.h"
#include "io/cif.h"
#include "model/structure.h"

namespace {

// The central atom named on the command line, looked up again without an
// Olex2 suffix when it is not found as typed.
int FindCentralAtom(const TCentreQuery& query, const TLoadedInput& loaded, const TCifFile& cif,
                    bool& suffixRemoved, TCentreResult& result) {
  std::string name = query.Centre;
  int atom = FindAtom(loaded.Model, name);
  if (atom < 0) {
    bool removed = false;
    name = StripOlexSuffix(name, removed);
    if (removed) suffixRemoved = true;
    atom = FindAtom(loaded.Model, name);
  }
  result.Centre = name;
  if (atom >= 0) return atom;
  const TInputSummary& input = loaded.Input;
  if (input.Kind == TInputKind::Cif)
    Fatal("central atom \"" + name + "\" not found in data block \"" + input.BlockName +
          "\". Blocks with a structure: " + StructureBlockList(cif));
  Fatal("central atom \"" + name + "\" not found in " + FileNameOnly(input.InputPath) + "." +
        NotFoundNote(loaded));
}

}  // namespace

TCentreResult AnalyseNamedCentre(const TFileSource& files, const TCentreQuery& query,
                                 const TAnalysisOptions& options, bool otherCnIsError) {
  TCentreResult result;
  result.File = query.Path;
  try {
    TLoadedInput loaded;
    TCifFile cif;
    ResolveInputFile(files, query.Path, loaded.Input.InputPath, loaded.Input.Kind);
    result.Input = loaded.Input.InputPath;
    if (loaded.Input.Kind == TInputKind::Cif) {
      LoadCifFile(loaded.Input.InputPath, files, cif);
      const TCifBlock& block = ChooseBlock(cif, options.blockName, query.Centre);
      result.Block = std::string(block.Name());
      LoadCifBlock(cif, block, loaded);
    } else {
      LoadStructureFile(options, files, loaded);
      result.Block = "";
    }
    bool suffixRemoved = false;
    const int atom = FindCentralAtom(query, loaded, cif, suffixRemoved, result);
    ReadAnglesAt(loaded, {atom});
    const TModelSearch search(loaded.Model);
    const TCentreRequest request{options, query.Ligands, suffixRemoved, otherCnIsError};
    TCentreResult analysed = AnalyseCentre(loaded, search, atom, request);
    analysed.File = std::move(result.File);
    analysed.Input = std::move(result.Input);
    analysed.Block = std::move(result.Block);
    return analysed;
  } catch (...) {
    result.Error = FailureMessage(std::current_exception());
    return result;
  }
}
