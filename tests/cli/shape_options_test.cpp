// --shapes: all or a list of labels, with or without dashes, and its line in
// the help.
#include <gtest/gtest.h>

#include <sstream>

#include "base/fail.h"
#include "app/command_line.h"
#include "base/text.h"

TEST(ShapeOptions, AllOrLabelsSeparatedByCommasWithOrWithoutDashes) {
  const std::pair<const char*, std::vector<std::string>> cases[] = {
      {"--shapes=all", {}},         {"shapes= ALL ", {}},
      {"--shapes=SP-4", {"SP-4"}},  {"shapes=sp-4, T-4 ,,OC-6", {"sp-4", "T-4", "OC-6"}},
      {"--shapes=all,SP-4", {"all", "SP-4"}},  // "all" means every shape only alone
  };
  for (const auto& [argument, labels] : cases) {
    TCommandLine command;
    std::ostringstream console;
    ASSERT_EQ(ParseCommandLine({"a.cif", "Ni1", "shapes=T-4", argument}, console, command), TCommandOutcome::Run);
    EXPECT_TRUE(command.Options.shapes) << argument;
    EXPECT_EQ(command.Options.shapeLabels, labels) << argument;  // the last one counts
  }
  for (const char* argument : {"--shapes=", "shapes= , "}) {
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

TEST(ShapeOptions, TheHelpListsTheOptionAndItsBareFormWithin80Columns) {
  std::ostringstream console;
  PrintHelp(console);
  const std::string help = console.str(), nl(kLineEnd);
  EXPECT_NE(help.find(nl + "  --shapes=all  continuous shape measures (or a list of labels, e.g. SP-4,T-4)" + nl),
            std::string::npos);
  for (std::string_view line : SplitLines(help)) {
    if (line.find(" shapes=x,") == std::string_view::npos) continue;
    EXPECT_LE(line.size(), 80u) << line;
    return;
  }
  ADD_FAILURE() << "shapes=x is not among the bare forms";
}
