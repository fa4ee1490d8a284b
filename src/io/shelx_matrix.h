// The SHELXL matrix file (.mat): the refined parameters with their values
// and esds and the correlation matrix of the least-squares refinement, as a
// source of coordinate covariances for the su propagation.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "crystal/su.h"
#include "crystal/vector.h"
#include "base/text.h"

// What the parameter list says about one parameter.
struct TMatParam {
  double Esd = 0;
  double Value = 0;
};

class TMatFile : public TCovSource {
 public:
  // Only what the file holds is stored: a count line may announce far more
  // parameters than the file lists, so the list is kept sparse and the
  // coefficients grow as they are read.
  int ParamCount = 0;                             // N of the "Parameters refined" line
  std::unordered_map<int, TMatParam> Params;      // by 0-based parameter index
  std::vector<float> Corr;                        // packed upper triangle, row by row
  std::vector<std::string> CoordAtom;             // atom name of each coordinate parameter
  std::vector<unsigned char> CoordAxis;           // 0 x, 1 y, 2 z
  std::vector<int> CoordParam;                    // its 0-based parameter index
  int CoordCount = 0;
  std::vector<std::array<int, 3>> AtomParams;     // per structure atom: x, y, z index or -1

  bool Load(const std::string& fileName, std::string& error,
            const TFileSource& files = DiskFiles());
  // The same for a file text in memory; fileName is the name for messages.
  bool LoadText(std::string_view text, const std::string& fileName, std::string& error);

  int ParamIndex(int atom, int axis) const override;
  double Covariance(int i, int j) const override;

  // Matches the structure's atoms to the coordinate parameters by name
  // (ASCII case ignored) and requires the refined values to agree.
  bool CheckCoordinates(const std::vector<std::string>& labels, const std::vector<TVec3>& coords,
                        int& matchedAtoms, std::string& error);

  double ParamEsd(int index) const;
  double ParamValue(int index) const;
  // N(N+1)/2, the number of coefficients of a complete matrix.
  std::int64_t ExpectedCorrCount() const;
};

// Position of the parameter pair (i, j) in the packed upper triangle of an
// n x n matrix.
std::int64_t PackedIndex(int i, int j, int n);

// "%.<decimals>f" as C's printf writes it, with "." as separator.
std::string PrintfFixed(double value, int decimals);
