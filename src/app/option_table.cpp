#include "app/option_table.h"

#include <algorithm>
#include <array>

#include "app/command_line.h"
#include "base/fail.h"
#include "base/text.h"

namespace {

// The width of the help's option column: a longer option takes a line of
// its own, its help starting on the next.
constexpr size_t kOptionColumn = 14;
// The bare-form sentence wraps before this column.
constexpr size_t kBareSentenceWidth = 79;

TXyzNaming ParseXyzNaming(std::string_view value) {
  if (SameTextIgnoringCase(value, "olex")) return TXyzNaming::Olex;
  if (SameTextIgnoringCase(value, "position")) return TXyzNaming::Position;
  if (SameTextIgnoringCase(value, "element")) return TXyzNaming::Element;
  Fatal("invalid value for --xyznames: " + std::string(value) + " (olex, position or element)");
}

TSphereRule ParseSphereRule(std::string_view value) {
  if (SameTextIgnoringCase(value, "chemical")) return TSphereRule::Chemical;
  if (SameTextIgnoringCase(value, "radii")) return TSphereRule::Radii;
  Fatal("invalid value for --sphere: " + std::string(value) + " (chemical or radii)");
}

TOutputFormat ParseOutputFormat(std::string_view value) {
  if (SameTextIgnoringCase(value, "text")) return TOutputFormat::Text;
  if (SameTextIgnoringCase(value, "json")) return TOutputFormat::Json;
  if (SameTextIgnoringCase(value, "csv")) return TOutputFormat::Csv;
  Fatal("invalid value for --format: " + std::string(value) + " (text, json or csv)");
}

constexpr std::array kOptions = {
    TOptionSpec{"tol", "<A>", 4, "bond tolerance in Angstrom (default 0.40)",
                [](std::string_view v, TRunOptions& o) { o.tolerance = ParseOptionValue(v, "--tol"); }},
    TOptionSpec{"occ", "<x>", 5, "minimum occupancy for the automatic search (default 0.5)",
                [](std::string_view v, TRunOptions& o) { o.minOccupancy = ParseOptionValue(v, "--occ"); }},
    TOptionSpec{"max", "<A>", 6, "maximum search radius in Angstrom",
                [](std::string_view v, TRunOptions& o) { o.maxRadius = ParseOptionValue(v, "--max"); }},
    TOptionSpec{"block", "<n>", 1, "data block in the CIF (default: chosen automatically)",
                [](std::string_view v, TRunOptions& o) { o.blockName = v; }},
    TOptionSpec{"xyznames", "olex|position|element", 8,
                "naming of XYZ atoms: element + line in the file counted\n"
                "from 0, as Olex2 does (default; first atom = 2), element +\n"
                "position in the atom list (first atom = 1), or per element\n"
                "(C1, H1, H2, ...)",
                [](std::string_view v, TRunOptions& o) { o.xyzNaming = ParseXyzNaming(v); }},
    TOptionSpec{"calc", "", 0, "always compute the angles, ignore _geom_angle",
                [](std::string_view, TRunOptions& o) { o.forceCalc = true; }},
    TOptionSpec{"out", "<file>", 3, "also write the full report to a text file",
                [](std::string_view v, TRunOptions& o) { o.outFile = v; }},
    TOptionSpec{"html", "<file>", 2, "also write the full report as HTML (e.g. for Olex2)",
                [](std::string_view v, TRunOptions& o) { o.htmlFile = v; }},
    TOptionSpec{"all", "", 0, "every metal centre of every file given (no atom names)",
                [](std::string_view, TRunOptions& o) { o.surveyAll = true; }},
    TOptionSpec{"elements", "<list>", 10, "centre elements of --all, e.g. Cu,Ni (default: every metal)",
                [](std::string_view v, TRunOptions& o) {
                  o.surveyElements = ParseElementList(v);
                  o.elementsGiven = true;
                }},
    TOptionSpec{"format", "<f>", 9, "text (the report, default), json (JSON Lines) or csv records",
                [](std::string_view v, TRunOptions& o) { o.format = ParseOutputFormat(v); }},
    TOptionSpec{"shapes", "all", 7, "continuous shape measures (or a list of labels, e.g. SP-4,T-4)",
                [](std::string_view v, TRunOptions& o) {
                  o.shapes = true;
                  o.shapeLabels = ParseShapeLabels(v);
                }},
    TOptionSpec{"sphere", "<s>", 11, "automatic ligands: chemical (default) or radii (bond rule only)",
                [](std::string_view v, TRunOptions& o) { o.sphere = ParseSphereRule(v); }},
    TOptionSpec{"brief", "", 0, "print a single result line only",
                [](std::string_view, TRunOptions& o) { o.brief = true; }},
    TOptionSpec{"help", "", 0, "this help", nullptr},
};

std::string OptionColumn(const TOptionSpec& option) {
  std::string text = "--";
  text.append(option.Name);
  if (!option.ValueHint.empty()) text.append("=").append(option.ValueHint);
  return text;
}

}  // namespace

std::span<const TOptionSpec> OptionTable() { return kOptions; }

std::vector<std::string> OptionHelpLines() {
  std::vector<std::string> lines;
  const std::string indent(2 + kOptionColumn, ' ');
  for (const TOptionSpec& option : kOptions) {
    const std::string column = OptionColumn(option);
    std::vector<std::string_view> help;
    for (std::string_view rest = option.Help; !rest.empty();) {
      const size_t end = std::min(rest.find('\n'), rest.size());
      help.push_back(rest.substr(0, end));
      rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    size_t first = 0;
    if (column.size() < kOptionColumn) {
      lines.push_back("  " + column + std::string(kOptionColumn - column.size(), ' '));
      lines.back().append(help.empty() ? std::string_view() : help[first++]);
    } else {
      lines.push_back("  " + column);
    }
    for (size_t i = first; i < help.size(); ++i) lines.push_back(indent + std::string(help[i]));
  }
  return lines;
}

std::vector<std::string> BareForms() {
  std::vector<const TOptionSpec*> bare;
  for (const TOptionSpec& option : kOptions)
    if (option.BarePlace > 0) bare.push_back(&option);
  std::sort(bare.begin(), bare.end(),
            [](const TOptionSpec* a, const TOptionSpec* b) { return a->BarePlace < b->BarePlace; });
  std::vector<std::string> forms;
  for (const TOptionSpec* option : bare) forms.push_back(std::string(option->Name) + "=");
  return forms;
}

std::vector<std::string> BareFormLines() {
  std::vector<std::string> lines = {"The options with a value may also be written without the leading"};
  const std::vector<std::string> forms = BareForms();
  std::string line = "\"--\" (";
  for (size_t i = 0; i < forms.size(); ++i) {
    const std::string word = forms[i] + (i + 1 < forms.size() ? "x," : "x).");
    if (i > 0 && line.size() + 1 + word.size() > kBareSentenceWidth) {
      lines.push_back(line);
      line.clear();
    } else if (i > 0) {
      line += ' ';
    }
    line += word;
  }
  lines.push_back(line);
  return lines;
}
