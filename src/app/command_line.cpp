#include "app/command_line.h"

#include <array>

#include "app/option_table.h"

#include "base/fail.h"
#include "crystal/cell.h"
#include "crystal/elements.h"
#include "crystal/symmetry.h"
#include "crystal/vector.h"
#include "base/text.h"
#include "geometry/indices.h"

namespace {

constexpr std::string_view kTau4Reference = "Yang et al., Dalton Trans. 2007";
constexpr std::string_view kTau5Reference = "Addison et al., JCS Dalton 1984";

// From the empty line after the version line down to "Options:".
constexpr auto kHelpUsage = std::to_array<std::string_view>({
    "",
    "Usage:",
    "  vexorin <file.cif> <central atom> [ligand1 ligand2 ...] [options]",
    "",
    "If the CIF does not exist, a SHELX file of the same stem is used",
    "instead (.res first, then .ins). A res/ins file holds no standard",
    "uncertainties of its own, so the result is then reported without su",
    "and a warning is printed - unless a matrix file of the same stem",
    "(.mat) lies beside it, which carries the full variance-covariance",
    "matrix and yields correct su. This works with .res and .ins alike;",
    "the matrix is checked against the coordinates, so an .ins only",
    "qualifies if it holds the refined state (a copy of the .res).",
    "",
    "Without ligand arguments the ligands are determined automatically",
    "(criterion: d(A-B) <= r_cov(A) + r_cov(B) + tolerance), the coordination",
    "number is determined and tau4/tau4' (CN 4) or tau5 (CN 5) calculated.",
    "With ligand arguments only the given atoms are used;",
    "4 ligands -> tau4/tau4', 5 ligands -> tau5.",
    "",
    "Atom names may also be passed as a single string",
    "(\"Ni P1 P2 N5 Mg\"); Olex2 suffixes _$n are ignored.",
    "SHELX labels ending in \" (Mg\", O1\") are accepted as they are;",
    "where a \" cannot be passed, write two apostrophes instead (Mg'').",
    "",
    "An XYZ file (e.g. a calculated structure shown in Olex2) is read as",
    "Cartesian coordinates without cell, symmetry or su, so all values are",
    "then given without su. If the first column holds only the element, the",
    "atoms are named as in Olex2: element + line in the file counted from 0",
    "(the first atom stands in line 2, e.g. Si2);",
    "labels in the file (C12, Fe1) are used as they are.",
    "",
    "Symmetry-equivalent ligands can be given as \"label#n_klm\"",
    "(e.g. O1#2_655). Without a code the nearest image is used.",
    "A pi-bonded ligand counts once, at its centroid: Cg(C1+C2+C3+C4+C5).",
    "",
    "Options:",
});

// After the option lines and the sentence on the bare forms, down to
// "Definitions:".
constexpr std::array<std::string_view, 4> kHelpOlex = {
    "Olex2 needs this:",
    "its exec macro claims every \"-\" argument as its own option.",
    "",
    "Definitions:",
};

// The formulas; each reference stands where its column begins.
constexpr std::string_view kTau4Formula =
    "  tau4  = (360 - (alpha+beta)) / (360 - 2*109.47)          ";
constexpr std::string_view kTau4PrimeFormula =
    "  tau4' = (beta-alpha)/(360-109.47) + (180-beta)/(180-109.47)";
constexpr std::string_view kTau4PrimeIndent =
    "                                                    ";
constexpr std::string_view kTau5Formula =
    "  tau5  = (beta - alpha) / 60                            ";

// From the line on beta and alpha down to the empty line before the licence.
constexpr std::array<std::string_view, 7> kHelpClosing = {
    "  beta = largest, alpha = second largest L-M-L angle.",
    "",
    "Reference values (tau4 / tau4'): square planar 0 / 0, seesaw",
    "0.43 / 0.24, tetrahedral 1 / 1. For CN 4 the classification uses both",
    "indices together: they agree between square planar and tetrahedral and",
    "differ only for seesaw distortions, by (beta - alpha) / 322.8.",
    "",
};

constexpr std::array<std::string_view, 4> kLicenceParagraph = {
    "Vexorin is released under the MIT licence; the LICENSE file shipped with",
    "the program holds the full terms. If you use it in published work, please",
    "cite it as Vexorin " VEXORIN_VERSION " together with the publication of each index used.",
    "",
};

bool IsBlank(char c) {
  const auto code = static_cast<unsigned char>(c);
  return code >= 1 && code <= 32;
}

void WriteLine(std::ostream& console, std::string_view text) {
  console << text << kLineEnd;
}

// Skips the program name at the start of the raw command line; returns the
// position where the arguments begin.
size_t SkipProgramName(std::string_view raw) {
  size_t i = 0;
  while (i < raw.size() && IsBlank(raw[i])) ++i;
  if (i < raw.size() && raw[i] == '"') {
    const size_t close = raw.find('"', i + 1);
    i = close == std::string_view::npos ? raw.size() : close + 1;
  }
  while (i < raw.size() && !IsBlank(raw[i])) ++i;
  return i;
}

struct TSplitState {
  std::vector<std::string> Arguments;
  std::string Current;
  bool Open = false;
  bool InQuotes = false;
};

void CloseArgument(TSplitState& state) {
  if (!state.Open) return;
  state.Arguments.push_back(std::move(state.Current));
  state.Current.clear();
  state.Open = false;
}

// Handles a run of backslashes at pos; returns the position after what it
// consumed. An even run before a double quote leaves the quote in place.
size_t TakeBackslashes(std::string_view raw, size_t pos, TSplitState& state) {
  size_t end = pos;
  while (end < raw.size() && raw[end] == '\\') ++end;
  const size_t count = end - pos;
  if (end < raw.size() && raw[end] == '"') {
    state.Current.append(count / 2, '\\');
    if (count % 2 == 1) {
      state.Current.push_back('"');
      return end + 1;
    }
    return end;
  }
  state.Current.append(count, '\\');
  return end;
}

// Handles the double quote at pos; returns the position after it.
size_t TakeQuote(std::string_view raw, size_t pos, TSplitState& state) {
  const size_t next = pos + 1;
  if (state.InQuotes) {
    if (next < raw.size() && raw[next] == '"') {
      state.Current.push_back('"');
      return next + 1;
    }
    state.InQuotes = false;
    return next;
  }
  // A quote that closes a word (Mg", O1") belongs to the SHELX label.
  const bool endsWord = next == raw.size() || IsBlank(raw[next]);
  if (!state.Current.empty() && endsWord)
    state.Current.push_back('"');
  else
    state.InQuotes = true;
  return next;
}

std::string WithOptionDashes(const std::string& argument) {
  for (const std::string& prefix : BareForms())
    if (StartsWith(argument, prefix)) return "--" + argument;
  return argument;
}

bool IsHelpRequest(std::string_view argument) {
  return argument == "--help" || argument == "-h" || argument == "/?";
}

// Like a help request it ends the option pass where it stands; it has no
// line in the help text, as is usual for --version.
bool IsVersionRequest(std::string_view argument) { return argument == "--version"; }

// Applies one option argument (already with its "--"); false when the
// argument is positional.
bool ApplyOption(std::string_view argument, TRunOptions& options) {
  if (!StartsWith(argument, "--")) return false;
  const std::string_view text = argument.substr(2);
  for (const TOptionSpec& option : OptionTable()) {
    if (option.Apply == nullptr) continue;
    if (option.ValueHint.empty()) {
      if (text != option.Name) continue;
      option.Apply({}, options);
      return true;
    }
    if (text.size() > option.Name.size() && StartsWith(text, option.Name) &&
        text[option.Name.size()] == '=') {
      option.Apply(text.substr(option.Name.size() + 1), options);
      return true;
    }
  }
  Fatal("unknown option: " + std::string(argument));
}

bool IsNameSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

void AppendAtomNames(std::string_view argument, std::vector<std::string>& names) {
  size_t i = 0;
  while (i < argument.size()) {
    while (i < argument.size() && IsNameSeparator(argument[i])) ++i;
    const size_t start = i;
    while (i < argument.size() && !IsNameSeparator(argument[i])) ++i;
    if (i > start) names.emplace_back(argument.substr(start, i - start));
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view raw) {
  TSplitState state;
  size_t i = SkipProgramName(raw);
  while (i < raw.size()) {
    const char c = raw[i];
    if (IsBlank(c) && !state.InQuotes) {
      CloseArgument(state);
      ++i;
      continue;
    }
    state.Open = true;
    if (c == '\\') {
      i = TakeBackslashes(raw, i, state);
    } else if (c == '"') {
      i = TakeQuote(raw, i, state);
    } else {
      state.Current.push_back(c);
      ++i;
    }
  }
  CloseArgument(state);
  return std::move(state.Arguments);
}

double ParseOptionValue(std::string_view text, std::string_view optionName) {
  std::string_view number = text;
  while (!number.empty() && IsBlank(number.front())) number.remove_prefix(1);
  double value = 0.0;
  if (!ParseDecimal(number, value))
    Fatal("invalid value for " + std::string(optionName) + ": " + std::string(text));
  return value;
}

TCommandOutcome ParseCommandLine(const std::vector<std::string>& args, std::ostream& console,
                                 TCommandLine& result) {
  result = TCommandLine{};
  std::vector<std::string> positional;
  for (const std::string& raw : args) {
    const std::string argument = WithOptionDashes(raw);
    if (IsHelpRequest(argument)) {
      PrintHelp(console);
      return TCommandOutcome::HelpAsked;
    }
    if (IsVersionRequest(argument)) {
      PrintVersion(console);
      return TCommandOutcome::VersionAsked;
    }
    if (!ApplyOption(argument, result.Options)) positional.push_back(argument);
  }
  if (!result.Options.htmlFile.empty() && result.Options.format != TOutputFormat::Text)
    Fatal("--html needs --format=text");
  if (result.Options.elementsGiven && !result.Options.surveyAll) Fatal("--elements needs --all");
  if (result.Options.surveyAll) {
    if (positional.empty()) {
      PrintHelp(console);
      return TCommandOutcome::TooFew;
    }
    result.InputPath = positional.front();
    result.InputPaths = std::move(positional);
    return TCommandOutcome::Run;
  }
  if (positional.size() < 2) {
    PrintHelp(console);
    return TCommandOutcome::TooFew;
  }
  std::vector<std::string> names;
  for (size_t k = 1; k < positional.size(); ++k) AppendAtomNames(positional[k], names);
  if (names.empty()) {
    PrintHelp(console);
    return TCommandOutcome::TooFew;
  }
  result.InputPath = positional.front();
  result.CentralName = names.front();
  result.LigandNames.assign(names.begin() + 1, names.end());
  return TCommandOutcome::Run;
}

std::vector<int> ParseElementList(std::string_view text) {
  std::vector<int> elements;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view symbol = TrimControl(text.substr(start, end - start));
    if (!symbol.empty()) {
      const int z = ElementIndex(symbol);
      if (z == 0) Fatal("unknown element in --elements: " + std::string(symbol));
      elements.push_back(z);
    }
    start = end + 1;
  }
  return elements;
}

std::vector<std::string> ParseShapeLabels(std::string_view text) {
  if (SameTextIgnoringCase(TrimControl(text), "all")) return {};
  std::vector<std::string> labels;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view label = TrimControl(text.substr(start, end - start));
    if (!label.empty()) labels.emplace_back(label);
    start = end + 1;
  }
  if (labels.empty())
    Fatal("--shapes needs a value: all, or shape labels such as SP-4,T-4");
  return labels;
}

void PrintHelp(std::ostream& console) {
  console << kTitleLine << " from CIF data" << kLineEnd;
  WriteLine(console, kVersionLine);
  for (std::string_view line : kHelpUsage) WriteLine(console, line);
  for (const std::string& line : OptionHelpLines()) WriteLine(console, line);
  WriteLine(console, "");
  for (const std::string& line : BareFormLines()) WriteLine(console, line);
  for (std::string_view line : kHelpOlex) WriteLine(console, line);
  console << kTau4Formula << kTau4Reference << kLineEnd;
  WriteLine(console, kTau4PrimeFormula);
  console << kTau4PrimeIndent << kTau4PrimeReference << kLineEnd;
  console << kTau5Formula << kTau5Reference << kLineEnd;
  for (std::string_view line : kHelpClosing) WriteLine(console, line);
  for (std::string_view line : kLicenceParagraph) WriteLine(console, line);
  console.flush();
}

void PrintVersion(std::ostream& console) {
  console << "vexorin " << kProgramVersion << kLineEnd;
  console.flush();
}
