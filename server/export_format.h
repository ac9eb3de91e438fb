#pragma once
// The list as CSV (RFC 4180, safe to open in a spreadsheet) or JSON, one
// person at a time so that a long list is never held whole.
#include <ostream>
#include <string_view>

#include "server/person_record.h"

namespace brevolt::signup {

enum class ExportFormat { Csv, Json };

class ExportWriter {
 public:
  ExportWriter(std::ostream& out, ExportFormat format);
  void write(const PersonRecord& person);
  // Ends the document; nothing may be written after.
  void finish();

 private:
  std::ostream& out_;
  ExportFormat format_;
  bool first_ = true;
};

// The cell as it goes between commas.
std::string csv_cell(std::string_view text);
// The text as a JSON string literal, quotes included.
std::string json_string(std::string_view text);

}  // namespace brevolt::signup
