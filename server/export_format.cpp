#include "server/export_format.h"

#include <array>
#include <cstdio>
#include <string>
#include <utility>

namespace brevolt::signup {
namespace {

constexpr std::array<std::string_view, 7> kColumns = {
    "email",           "name",           "status", "signed_up_at", "confirmed_at",
    "unsubscribed_at", "consent_address"};

// The fields in column order; absent ones are empty in CSV and null in JSON.
std::array<std::optional<std::string_view>, kColumns.size()> fields(const PersonRecord& p) {
  const auto opt = [](const std::optional<std::string>& value) -> std::optional<std::string_view> {
    if (!value) return std::nullopt;
    return std::string_view(*value);
  };
  return {p.email,
          opt(p.name),
          p.status,
          opt(p.signed_up_at),
          opt(p.confirmed_at),
          opt(p.unsubscribed_at),
          opt(p.consent_address)};
}

// A spreadsheet runs a cell that starts with one of these as a formula,
// and a name is whatever a stranger typed.
bool looks_like_formula(std::string_view text) {
  return !text.empty() && std::string_view("=+-@\t\r").find(text.front()) != std::string_view::npos;
}

}  // namespace

std::string csv_cell(std::string_view text) {
  std::string cell;
  if (looks_like_formula(text)) cell += '\'';
  cell += text;
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (const char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string json_string(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

ExportWriter::ExportWriter(std::ostream& out, ExportFormat format) : out_(out), format_(format) {
  if (format_ == ExportFormat::Json) {
    out_ << '[';
    return;
  }
  for (std::size_t i = 0; i < kColumns.size(); ++i) out_ << (i ? "," : "") << kColumns[i];
  out_ << "\r\n";
}

void ExportWriter::write(const PersonRecord& person) {
  const auto values = fields(person);
  if (format_ == ExportFormat::Csv) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      out_ << (i ? "," : "") << (values[i] ? csv_cell(*values[i]) : std::string());
    }
    out_ << "\r\n";
    return;
  }
  out_ << (std::exchange(first_, false) ? "\n{" : ",\n{");
  for (std::size_t i = 0; i < values.size(); ++i) {
    out_ << (i ? "," : "") << json_string(kColumns[i]) << ':'
         << (values[i] ? json_string(*values[i]) : "null");
  }
  out_ << '}';
}

void ExportWriter::finish() {
  if (format_ == ExportFormat::Json) out_ << (first_ ? "]\n" : "\n]\n");
}

}  // namespace brevolt::signup
