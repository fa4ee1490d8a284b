// The options of the command line, each declared once: its name, the value
// it takes, whether it has a bare form, its help lines and how it applies.
// The parser, the help text's option lines and bare-form sentence, and the
// checks of the manual page and the README read this table.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TRunOptions;

struct TOptionSpec {
  std::string_view Name;  // without "--": "tol"
  // The value as the help shows it after "=" ("<A>", "olex|position|element");
  // empty for a switch, which takes no value.
  std::string_view ValueHint;
  // The place of the bare form (name=x, for Olex2's exec) in the help's
  // sentence on them, from 1; 0 for an option without a bare form.
  int BarePlace = 0;
  // The help lines after the option column, joined by '\n'.
  std::string_view Help;
  // Sets the option from its value ("" for a switch); nullptr for --help,
  // which the parser answers itself.
  void (*Apply)(std::string_view value, TRunOptions& options) = nullptr;
};

// Every option in the order of the help text.
std::span<const TOptionSpec> OptionTable();

// The option lines of the help text, from "  --tol=<A> ..." to "  --help".
std::vector<std::string> OptionHelpLines();
// The bare forms in the order of the help's sentence: "block=", "html=", ...
std::vector<std::string> BareForms();
// The help's sentence on the bare forms, wrapped as the help prints it.
std::vector<std::string> BareFormLines();
