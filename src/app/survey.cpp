#include "app/survey.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string_view>
#include <unordered_map>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "analysis/centre.h"
#include "output/capture.h"
#include "app/command_line.h"
#include "output/records.h"
#include "output/report.h"
#include "io/cif.h"
#include "crystal/cell.h"
#include "crystal/elements.h"
#include "crystal/vector.h"

namespace {

// Non-metals, noble gases and the metalloids B, Si, Ge, As, Sb, Te and At:
// no centre of a coordination polyhedron in the survey's sense.
bool HoldsAtomSites(const TCifBlock& block) {
  return block.FindLoop("_atom_site_label") != nullptr;
}

bool IsNameSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

bool HasDirectory(const std::string& path) {
#ifdef _WIN32
  return path.find_first_of("/\\:") != std::string::npos;
#else
  return path.find('/') != std::string::npos;
#endif
}

bool LooksLikeAtomNames(const std::string& argument) {
  for (char c : argument)
    if (IsNameSeparator(c)) return true;
  return !HasDirectory(argument) && FileExtension(argument).empty();
}

double SteadySeconds() {
  using TClock = std::chrono::steady_clock;
  return std::chrono::duration<double>(TClock::now().time_since_epoch()).count();
}

std::string TwoDigits(long long value) {
  std::string digits = std::to_string(value);
  if (digits.size() < 2) digits.insert(digits.begin(), '0');
  return digits;
}

// "m:ss", or "h:mm:ss" from one hour on.
std::string ElapsedText(double seconds) {
  const long long whole = seconds > 0 && std::isfinite(seconds) ? static_cast<long long>(seconds) : 0;
  const long long hours = whole / 3600, minutes = whole / 60 % 60, rest = whole % 60;
  if (hours > 0) return std::to_string(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
  return std::to_string(minutes) + ":" + TwoDigits(rest);
}

// The progress line, overwritten in place with a carriage return. Drawn at
// most a few times a second; taken away at the end.
class TSurveyProgress {
 public:
  TSurveyProgress(const TProgressOutput& output, size_t fileCount)
      : Stream(fileCount > 1 ? output.Stream : nullptr),
        SharesTerminal(output.SharesTerminalWithConsole),
        Seconds(output.Seconds ? output.Seconds : SteadySeconds),
        FileCount(fileCount) {
    if (!Stream) return;
    Start = Seconds();
    Draw(Start);
  }
  ~TSurveyProgress() { Hide(); }
  TSurveyProgress(const TSurveyProgress&) = delete;
  TSurveyProgress& operator=(const TSurveyProgress&) = delete;

  // Before a record goes to the terminal that shows the line.
  void MakeWayForRecord() {
    if (SharesTerminal) Hide();
  }

  void FileDone(size_t centres) {
    ++FilesDone;
    Centres += centres;
    if (!Stream) return;
    const double now = Seconds();
    if (!Shown || now - LastDrawn >= kRedrawSeconds || FilesDone == FileCount) Draw(now);
  }

  void Hide() {
    if (!Shown) return;
    std::string blank(Width + 2, ' ');
    blank.front() = '\r';
    blank.back() = '\r';
    Write(blank);
    Shown = false;
  }

 private:
  static constexpr double kRedrawSeconds = 0.2;

  void Draw(double now) {
    std::string text = ProgressText(FilesDone, FileCount, Centres, now - Start);
    const size_t width = text.size();
    if (width < Width) text.append(Width - width, ' ');  // covers a longer line before
    text.insert(text.begin(), '\r');
    Write(text);
    Width = width;
    Shown = true;
    LastDrawn = now;
  }

  void Write(const std::string& text) {
    *Stream << text;
    Stream->flush();
  }

  std::ostream* Stream;
  bool SharesTerminal;
  std::function<double()> Seconds;
  size_t FileCount;
  size_t FilesDone = 0;
  size_t Centres = 0;
  double Start = 0;
  double LastDrawn = 0;
  size_t Width = 0;
  bool Shown = false;
};

// "file: Ni1: CN 4, tau4 = ...", with the block after the file name when
// the file has several, and "file: Ni1: Error: ..." for a failure.
std::string SurveyTextLine(const TCentreResult& result, bool showBlock) {
  std::string line = result.File;
  if (showBlock && result.Block) line += " data_" + *result.Block;
  line += ": ";
  if (!Failed(result)) return line + BriefLine(result);
  if (result.Centre) line += *result.Centre + ": ";
  return line + "Error: " + OneLineMessage(result.Error);
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

struct TSurvey {
  const TCommandLine& Command;
  const TFileSource& Files;
  TReport& Output;
  TSurveyProgress& Progress;
  TElementSet Elements;
  size_t CentresOfFile = 0;
  bool AnyError = false;

  void Write(const TCentreResult& result, bool showBlock) {
    if (Failed(result)) AnyError = true;
    if (result.Centre) ++CentresOfFile;
    Progress.MakeWayForRecord();
    const TOutputFormat format = Command.Options.format;
    Output.Line(format == TOutputFormat::Text
                    ? SurveyTextLine(result, showBlock)
                    : RecordLine(format, Command.Options.shapes, result));
  }
};

TCentreResult ResultOf(const std::string& typedPath, std::optional<std::string> block) {
  TCentreResult result;
  result.File = typedPath;
  result.Block = std::move(block);
  return result;
}

// Every centre of one model: the SHELX or XYZ file, or one CIF block.
template <class TLoad>
void SurveyModel(TSurvey& survey, const std::string& typedPath, const std::string& path,
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
    survey.Write(modelFailure, showBlock);
    return;
  }
  const std::vector<std::string> automaticLigands;
  const TCentreRequest request{survey.Command.Options, automaticLigands, false, false, true};
  for (int atom : centres) {
    TCentreResult result = AnalyseCentre(loaded, *search, atom, request);
    result.File = typedPath;
    result.Input = path;
    result.Block = block ? *block : std::string();
    survey.Write(result, showBlock);
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

void SurveyCif(TSurvey& survey, const std::string& typedPath, const std::string& path) {
  TCifFile cif;
  std::vector<const TCifBlock*> blocks;
  TCentreResult fileFailure = ResultOf(typedPath, std::nullopt);
  fileFailure.Input = path;
  if (!Survived(fileFailure, [&] {
        LoadCifFile(path, survey.Files, cif);
        blocks = SurveyedBlocks(cif, survey.Command.Options.blockName);
      })) {
    survey.Write(fileFailure, false);
    return;
  }
  const bool showBlock = cif.BlockCount() > 1;
  for (const TCifBlock* block : blocks)
    SurveyModel(survey, typedPath, path, TInputKind::Cif, std::string(block->Name()), showBlock,
                [&](TLoadedInput& loaded) { LoadCifBlock(cif, *block, loaded); });
}

void SurveyFile(TSurvey& survey, const std::string& typedPath) {
  std::string path;
  TInputKind kind = TInputKind::Cif;
  TCentreResult fileFailure = ResultOf(typedPath, std::nullopt);
  if (!Survived(fileFailure, [&] { ResolveInputFile(survey.Files, typedPath, path, kind); })) {
    survey.Write(fileFailure, false);
    return;
  }
  if (kind == TInputKind::Cif) {
    SurveyCif(survey, typedPath, path);
    return;
  }
  // A SHELX or XYZ file that cannot be read is the file's failure, not a
  // block's.
  SurveyModel(survey, typedPath, path, kind, std::nullopt, false, [&](TLoadedInput& loaded) {
    LoadStructureFile(survey.Command.Options, survey.Files, loaded);
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

void CheckSurveyArguments(const TFileSource& files, const TCommandLine& command) {
  for (size_t k = 1; k < command.InputPaths.size(); ++k) {
    const std::string& argument = command.InputPaths[k];
    std::string path;
    TInputKind kind = TInputKind::Cif;
    if (FindInputFile(files, argument, path, kind)) continue;
    if (LooksLikeAtomNames(argument))
      Fatal("--all takes input files only; leave it out to name a central atom");
  }
}

TProgressOutput TerminalProgress() {
  TProgressOutput progress;
#ifdef _WIN32
  const bool stderrTerminal = _isatty(_fileno(stderr)) != 0;
  const bool stdoutTerminal = _isatty(_fileno(stdout)) != 0;
#else
  const bool stderrTerminal = isatty(STDERR_FILENO) != 0;
  const bool stdoutTerminal = isatty(STDOUT_FILENO) != 0;
#endif
  if (stderrTerminal) progress.Stream = &std::cerr;
  progress.SharesTerminalWithConsole = stdoutTerminal;
  return progress;
}

std::string ProgressText(size_t filesDone, size_t fileCount, size_t centres, double seconds) {
  return "vexorin: " + std::to_string(filesDone) + " of " + std::to_string(fileCount) +
         " files, " + std::to_string(centres) + " centres, " + ElapsedText(seconds);
}

int RunSurvey(const TCommandLine& command, const TFileSource& files, TReport& output,
              const TProgressOutput& progress) {
  TSurveyProgress shown(progress, command.InputPaths.size());
  TSurvey survey{command, files, output, shown, SurveyElements(command.Options.surveyElements)};
  if (command.Options.format == TOutputFormat::Csv) output.Line(CsvHeader(command.Options.shapes));
  for (const std::string& typedPath : command.InputPaths) {
    survey.CentresOfFile = 0;
    SurveyFile(survey, typedPath);
    shown.FileDone(survey.CentresOfFile);
  }
  shown.Hide();
  return survey.AnyError ? 2 : 0;
}
