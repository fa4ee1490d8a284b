#include "output/report_table.h"

#include <algorithm>

namespace {

constexpr std::string_view kIndent = "  ";
constexpr std::string_view kColumnGap = "  ";

bool IsRightAligned(const TReportTable& table, size_t column) {
  return column < table.RightAligned.size() && table.RightAligned[column];
}

std::vector<size_t> ColumnWidths(const TReportTable& table) {
  std::vector<size_t> widths(table.Header.size(), 0);
  const auto widen = [&](const std::vector<std::string>& row) {
    for (size_t c = 0; c < row.size() && c < widths.size(); ++c)
      widths[c] = std::max(widths[c], row[c].size());
  };
  widen(table.Header);
  for (const std::vector<std::string>& row : table.Rows) widen(row);
  return widths;
}

// The cells padded to their column widths; the last left-aligned cell is
// not filled, so that no line ends in blanks.
std::string TableLine(const TReportTable& table, const std::vector<size_t>& widths,
                      const std::vector<std::string>& row) {
  std::string line(kIndent);
  for (size_t c = 0; c < widths.size(); ++c) {
    const std::string cell = c < row.size() ? row[c] : std::string();
    if (c > 0) line += kColumnGap;
    const std::string fill(widths[c] - std::min(widths[c], cell.size()), ' ');
    line += IsRightAligned(table, c) ? fill + cell : cell + fill;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

void AppendHtmlRow(std::vector<std::string>& html, const TReportTable& table,
                   const std::vector<std::string>& row, std::string_view cellTag) {
  std::string line = "<tr>";
  for (size_t c = 0; c < table.Header.size(); ++c) {
    const std::string cell = c < row.size() ? row[c] : std::string();
    line.append("<").append(cellTag);
    if (IsRightAligned(table, c)) line += " align=\"right\"";
    line.append(">").append(HtmlEscaped(cell)).append("</").append(cellTag).append(">");
  }
  html.push_back(line + "</tr>");
}

}  // namespace

TReportPart TablePart(TReportTable table) {
  TReportPart part;
  part.Table = std::move(table);
  return part;
}

TReportPart TextPart(std::vector<std::string> lines) {
  TReportPart part;
  part.Text = std::move(lines);
  return part;
}

std::vector<std::string> SectionLines(const TReportSection& section) {
  std::vector<std::string> lines = {section.Title};
  for (const TReportPart& part : section.Parts) {
    if (!part.Table.Header.empty()) {
      const std::vector<size_t> widths = ColumnWidths(part.Table);
      lines.push_back(TableLine(part.Table, widths, part.Table.Header));
      for (const std::vector<std::string>& row : part.Table.Rows)
        lines.push_back(TableLine(part.Table, widths, row));
      continue;
    }
    for (const std::string& text : part.Text)
      lines.push_back(text.empty() ? text : std::string(kIndent) + text);
  }
  return lines;
}

namespace {

// Lines of text as one <pre> block, without the empty lines at its ends that
// space the text report out (the HTML blocks have margins of their own).
void AppendHtmlText(std::vector<std::string>& html, const std::vector<std::string>& text) {
  size_t first = 0, end = text.size();
  while (first < end && text[first].empty()) ++first;
  while (end > first && text[end - 1].empty()) --end;
  if (first == end) return;
  html.emplace_back("<pre>");
  for (size_t i = first; i < end; ++i) html.push_back(HtmlEscaped(text[i]));
  html.emplace_back("</pre>");
}

}  // namespace

std::vector<std::string> SectionHtml(const TReportSection& section) {
  std::vector<std::string> html = {"<p><b>" + HtmlEscaped(section.Title) + "</b></p>"};
  std::vector<std::string> text;  // the text parts since the last table
  for (const TReportPart& part : section.Parts) {
    if (part.Table.Header.empty()) {
      text.insert(text.end(), part.Text.begin(), part.Text.end());
      continue;
    }
    AppendHtmlText(html, text);
    text.clear();
    html.emplace_back("<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">");
    AppendHtmlRow(html, part.Table, part.Table.Header, "th");
    for (const std::vector<std::string>& row : part.Table.Rows) AppendHtmlRow(html, part.Table, row, "td");
    html.emplace_back("</table>");
  }
  AppendHtmlText(html, text);
  return html;
}

std::string HtmlEscaped(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': result += "&amp;"; break;
      case '<': result += "&lt;"; break;
      case '>': result += "&gt;"; break;
      default: result += c;
    }
  }
  return result;
}
