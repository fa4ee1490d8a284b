// The machine-readable records of a centre's result: JSON Lines and CSV,
// with the number and string conventions they share.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/centre_result.h"
#include "model/coordination.h"
#include "geometry/polyhedron_analysis.h"
#include "model/sphere_rules.h"
#include "crystal/cell.h"
#include "crystal/su.h"
#include "crystal/vector.h"

// What the run writes: the report (text), or one record per centre as JSON
// Lines or CSV.
enum class TOutputFormat { Text, Json, Csv };


// The error message on one line: the continuation lines of a message that
// spans lines are joined to it with one blank.
std::string OneLineMessage(std::string_view message);

// The shortest decimal text that reads back as the same double, with "."
// whatever the locale; "null" for infinity and NaN.
std::string ShortestNumberText(double value);

// Text as valid UTF-8: a byte that is no part of a valid UTF-8 sequence (a
// Latin-1 label or file name) is read as the Latin-1 character of its code,
// so that different bytes stay different characters.
std::string ValidUtf8(std::string_view text);

// Receives a record's values in the order of its JSON text: the JSON
// writer, and the Python module's builder of dicts and lists.
class TRecordSink {
 public:
  virtual ~TRecordSink() = default;
  virtual void Null() = 0;
  virtual void Boolean(bool value) = 0;
  virtual void Integer(long long value) = 0;
  // Infinity and NaN are null in JSON.
  virtual void Number(double value) = 0;
  // Any bytes: a sink that needs UTF-8 reads them through ValidUtf8.
  virtual void Text(std::string_view text) = 0;
  virtual void BeginArray() = 0;
  virtual void EndArray() = 0;
  virtual void BeginObject() = 0;
  virtual void Key(std::string_view name) = 0;
  virtual void EndObject() = 0;
};

// The record of a result, value after value, into the sink.
void WriteRecord(const TCentreResult& result, TRecordSink& sink);

// One record as a JSON object on one line (without the line end). Strings
// are written as ValidUtf8 gives them.
std::string JsonRecord(const TCentreResult& result);

// The CSV header line and one row (RFC 4180 quoting; without the line end).
// The columns follow from the options alone: with --shapes (shapes true)
// every shape column of CN 2 to 8, empty where a centre has no such figure,
// so that the rows can be written as the centres finish and the CSV of two
// runs with the same options can be joined.
std::string CsvHeader(bool shapes);
std::string CsvRecord(const TCentreResult& result, bool shapes);

// JsonRecord or CsvRecord, as the format asks (json or csv).
std::string RecordLine(TOutputFormat format, bool shapes, const TCentreResult& result);
