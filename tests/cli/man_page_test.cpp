// The manual page man/vexorin.1 and the README against the help text and
// the option table: every option has its entry in the page's OPTIONS and in
// the README's option table, every bare form is named in both, so that they
// cannot drift apart.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/option_table.h"
#include "support/test_support.h"
#include "base/text.h"

namespace {

using TWords = std::vector<std::string>;

std::string HelpText() {
  std::ostringstream console;
  PrintHelp(console);
  return console.str();
}

std::string ReadmeSource() { return ReadWholeFile(std::string(VEXORIN_SOURCE_DIR) + "/README.md"); }

std::string ManPageSource() { return ReadWholeFile(std::string(VEXORIN_SOURCE_DIR) + "/man/vexorin.1"); }

// The option words of the help text's option list ("--tol", "--calc", ...).
TWords HelpOptions(const std::string& help) {
  TWords options;
  bool inList = false;
  for (std::string_view line : SplitLines(help)) {
    if (line == "Options:") {
      inList = true;
    } else if (inList && line.empty()) {
      break;
    } else if (inList && StartsWith(line, "  --")) {
      line.remove_prefix(2);
      options.emplace_back(line.substr(0, line.find_first_of("= ")));
    }
  }
  return options;
}

// The bare forms the help text lists in "(block=x, html=x, ...)", as "block=".
TWords HelpBareForms(const std::string& help) {
  TWords forms;
  const size_t open = help.find("(block=");
  const size_t close = help.find(')', open);
  if (open == std::string::npos || close == std::string::npos) return forms;
  std::string list = help.substr(open + 1, close - open - 1);
  for (char& c : list)
    if (c == '\r' || c == '\n') c = ' ';  // the list may wrap
  for (std::string_view part : SplitAtBlanksAndTabs(list)) {
    const size_t equals = part.find('=');
    if (equals != std::string_view::npos) forms.emplace_back(part.substr(0, equals + 1));
  }
  return forms;
}

// The text a man(7) line shows: font macros joined as roff joins them,
// escapes for dashes, quotes and fonts resolved. Other requests give "".
std::string ShownText(std::string_view line) {
  std::string text;
  if (StartsWith(line, ".")) {
    const size_t blank = line.find(' ');
    const std::string_view macro = line.substr(1, blank == std::string_view::npos ? line.size() : blank - 1);
    const bool font = macro == "B" || macro == "I" || macro == "BI" || macro == "BR" || macro == "IR" ||
                      macro == "RB" || macro == "RI" || macro == "IB";
    if (!font || blank == std::string_view::npos) return "";
    // Alternating-font macros join their arguments; B and I keep the blanks.
    const bool join = macro.size() == 2;
    bool quoted = false;
    for (char c : line.substr(blank + 1)) {
      if (c == '"') {
        quoted = !quoted;
      } else if (c == ' ' && !quoted && join) {
        continue;
      } else {
        text += c;
      }
    }
  } else {
    text = line;
  }
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      shown += text[i];
    } else if (text[i + 1] == '-') {
      shown += '-', ++i;
    } else if (text[i + 1] == 'f' && i + 2 < text.size()) {
      i += 2;
    } else if (text.compare(i, 4, "\\(aq") == 0) {
      shown += '\'', i += 3;
    } else if (text.compare(i, 4, "\\(dq") == 0) {
      shown += '"', i += 3;
    } else {
      shown += text[i];
    }
  }
  return shown;
}

struct TManPage {
  TWords Sections;      // .SH headings in order
  TWords OptionTags;    // the tag lines of the .TP entries under OPTIONS
  std::string Options;  // everything OPTIONS shows
};

TManPage ReadManPage(const std::string& source) {
  TManPage page;
  bool tagNext = false;
  for (std::string_view line : SplitLines(source)) {
    if (StartsWith(line, ".SH ")) {
      std::string heading(line.substr(4));
      if (!heading.empty() && heading.front() == '"') heading = heading.substr(1, heading.size() - 2);
      page.Sections.push_back(heading);
      continue;
    }
    const bool inOptions = !page.Sections.empty() && page.Sections.back() == "OPTIONS";
    if (!inOptions) continue;
    if (line == ".TP") {
      tagNext = true;
      continue;
    }
    const std::string shown = ShownText(line);
    if (tagNext) page.OptionTags.push_back(shown);
    tagNext = false;
    page.Options += shown + " ";
  }
  return page;
}

// True when a tag names the option: "--tol=A", "--help, -h, /?", "--calc".
bool TagNames(const std::string& tag, const std::string& option) {
  return StartsWith(tag, option) &&
         (tag.size() == option.size() || tag[option.size()] == '=' || tag[option.size()] == ',');
}

bool HasTag(const TManPage& page, const std::string& option) {
  for (const std::string& tag : page.OptionTags)
    if (TagNames(tag, option)) return true;
  return false;
}

}  // namespace

TEST(ManPage, HasTheConventionalSectionsInOrder) {
  const TManPage page = ReadManPage(ManPageSource());
  EXPECT_EQ(page.Sections, (TWords{"NAME", "SYNOPSIS", "DESCRIPTION", "OPTIONS", "EXIT STATUS", "FILES",
                                   "EXAMPLES", "SEE ALSO"}));
}

TEST(ManPage, ListsEveryOptionOfTheHelpText) {
  const std::string help = HelpText();
  const TWords options = HelpOptions(help);
  ASSERT_GE(options.size(), 10u) << "the option list of the help text was not found";
  const TManPage page = ReadManPage(ManPageSource());
  for (const std::string& option : options) EXPECT_TRUE(HasTag(page, option)) << option << " is not in the manual page";
}

TEST(ManPage, NamesEveryBareFormOfTheHelpText) {
  const TWords forms = HelpBareForms(HelpText());
  ASSERT_EQ(forms.size(), 11u);
  const TManPage page = ReadManPage(ManPageSource());
  for (const std::string& form : forms)
    EXPECT_NE(page.Options.find(" " + form), std::string::npos) << form << " is not in the manual page";
}

TEST(ManPage, ListsTheVersionOptionThatTheHelpTextLeavesOut) {
  EXPECT_EQ(HelpText().find("--version"), std::string::npos);
  const TManPage page = ReadManPage(ManPageSource());
  EXPECT_TRUE(HasTag(page, "--version"));
  EXPECT_NE(page.Options.find("vexorin " + std::string(kProgramVersion)), std::string::npos);
}

TEST(ManPage, TagCheckTellsAnOptionFromALongerOne) {
  // A missing --out must not pass because --outline is listed.
  EXPECT_TRUE(TagNames("--out=file", "--out"));
  EXPECT_TRUE(TagNames("--help, -h, /?", "--help"));
  EXPECT_FALSE(TagNames("--outline", "--out"));
  EXPECT_EQ(ShownText(".BI \\-\\-tol= A"), "--tol=A");
  EXPECT_EQ(ShownText(".BR \\-\\-help \", \" \\-h"), "--help, -h");
}

TEST(Readme, ListsEveryOptionAndBareFormOfTheTable) {
  const std::string readme = ReadmeSource();
  for (const TOptionSpec& option : OptionTable())
    EXPECT_NE(readme.find("| `--" + std::string(option.Name)), std::string::npos)
        << "--" << option.Name << " is not in the README's option table";
  const size_t sentence = readme.find("The bare forms are ");
  ASSERT_NE(sentence, std::string::npos);
  const std::string bare = readme.substr(sentence, readme.find("\n\n", sentence) - sentence);
  const std::vector<std::string> forms = BareForms();
  EXPECT_EQ(forms, HelpBareForms(HelpText()));
  for (const std::string& form : forms)
    EXPECT_NE(bare.find("`" + form + "`"), std::string::npos) << form << " is not in the README's bare forms";
}
