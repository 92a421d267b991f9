// What the command lines' output formats are to the exporter.
#pragma once

#include <optional>

#include "cli/command_line.h"
#include "export/exporter.h"

namespace vemdrol {

// The exporter's format; none for the inventory file's own, which its
// owner writes.
inline std::optional<ExportFormat> exportFormatOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::csv:
      return ExportFormat::csv;
    case OutputFormat::tabSeparated:
      return ExportFormat::tabSeparated;
    case OutputFormat::html:
      return ExportFormat::html;
    case OutputFormat::json:
      return ExportFormat::json;
    case OutputFormat::inventoryFile:
      break;
  }
  return std::nullopt;
}

}  // namespace vemdrol
