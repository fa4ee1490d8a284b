// --shapes: all or a list of labels, with or without dashes, and its line in
// the help.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "capture.h"
#include "cli.h"
#include "utext.h"

namespace {

using TArgs = std::vector<std::string>;

TRunOptions Options(const TArgs& args) {
  TCommandLine command;
  std::ostringstream console;
  EXPECT_EQ(ParseCommandLine(args, console, command), TCommandOutcome::Run);
  return command.Options;
}

}  // namespace

TEST(ShapeOptions, AllOrLabelsSeparatedByCommasWithOrWithoutDashes) {
  struct TCase {
    const char* Argument;
    std::vector<std::string> Labels;
  };
  const TCase cases[] = {
      {"--shapes=all", {}},
      {"shapes=ALL", {}},
      {"--shapes= All ", {}},
      {"--shapes=SP-4", {"SP-4"}},
      {"shapes=sp-4, T-4 ,,OC-6", {"sp-4", "T-4", "OC-6"}},
      {"--shapes=all,SP-4", {"all", "SP-4"}},  // "all" alone means every shape
  };
  for (const TCase& c : cases) {
    const TRunOptions options = Options({"a.cif", "Ni1", c.Argument});
    EXPECT_TRUE(options.shapes) << c.Argument;
    EXPECT_EQ(options.shapeLabels, c.Labels) << c.Argument;
  }
  EXPECT_FALSE(Options({"a.cif", "Ni1"}).shapes);
  // The last one counts, as for every option.
  EXPECT_EQ(Options({"a.cif", "Ni1", "shapes=SP-4", "--shapes=all"}).shapeLabels, TArgs{});
}

TEST(ShapeOptions, AValueWithoutALabelIsAnError) {
  for (const char* argument : {"--shapes=", "shapes=,", "--shapes= , "}) {
    TCommandLine command;
    std::ostringstream console;
    try {
      ParseCommandLine({"a.cif", "Ni1", argument}, console, command);
      ADD_FAILURE() << argument << " was accepted";
    } catch (const TFatalError& error) {
      EXPECT_EQ(error.Message, "--shapes needs a value: all, or shape labels such as SP-4,T-4");
    }
  }
}

TEST(ShapeOptions, TheHelpListsTheOptionAndItsBareForm) {
  std::ostringstream console;
  PrintHelp(console);
  const std::string help = console.str();
  const std::string nl(kLineEnd);
  EXPECT_NE(help.find(nl + "  --shapes=all  continuous shape measures (or a list of labels, e.g. SP-4,T-4)" + nl),
            std::string::npos);
  // In the list of bare forms, whose lines stay within 80 columns.
  for (std::string_view line : SplitLines(help)) {
    if (line.find(" shapes=x,") == std::string_view::npos) continue;
    EXPECT_LE(line.size(), 80u) << line;
  }
  EXPECT_NE(help.find(" shapes=x,"), std::string::npos);
}
