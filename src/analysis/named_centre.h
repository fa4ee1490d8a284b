// One centre named by the user, from the input file to its result: the
// whole analysis of a run for one central atom, without any output.
#pragma once

#include <string>
#include <vector>

#include "analysis/centre_result.h"
#include "analysis/options.h"
#include "base/text.h"

// What the user names: the input file (as typed), the central atom and the
// ligands (none: the automatic sphere). Olex2 suffixes (_$n) are removed
// from names that are not found as typed.
struct TCentreQuery {
  std::string Path;
  std::string Centre;
  std::vector<std::string> Ligands;
};

// The result of the centre; a file, block or atom that cannot be found, and
// every failure of the analysis, leave their message in Error (the stage
// tells how far the report goes). A coordination number without indices
// (or shapes) found automatically is an error when otherCnIsError is set
// (the text report), else a result without indices (a record).
TCentreResult AnalyseNamedCentre(const TFileSource& files, const TCentreQuery& query,
                                 const TAnalysisOptions& options, bool otherCnIsError);
