// CIF text -> file model -> for every block the structure model (cell,
// symmetry, atom sites) and the angle table. The builders end through Fatal,
// the program's own error path.
#include <string>

#include "capture.h"
#include "fuzz_support.h"
#include "structure.h"
#include "ucif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TCifFile file;
  file.LoadFromText(std::string(InputText(data, size)));
  for (int b = 0; b < file.BlockCount(); ++b) {
    const TCifBlock& block = file.Block(b);
    (void)HasStructure(block);
    (void)SpaceGroupName(block);
    TStructure model;
    try {
      ReadCell(block, model);
    } catch (const TFatalError&) {
    }
    (void)ReadSymmetry(block, model);
    try {
      ReadAtomSites(block, model);
    } catch (const TFatalError&) {
    }
    try {
      ReadAngleTable(block, model);
    } catch (const TFatalError&) {
    }
    if (!model.Atoms.empty()) {
      (void)HasAtomLabel(block, model.Atoms.front().Label);
      try {
        (void)ChooseBlock(file, "", model.Atoms.front().Label);
      } catch (const TFatalError&) {
      }
    }
  }
  (void)StructureBlockList(file);
  return 0;
}
