// The writers of the single formats, behind exportBytes. Each appends the
// whole file to out.
#pragma once

#include <string>

#include "export/export_table.h"

namespace vemdrol {

void appendDelimited(std::string& out, const ExportTable& table, wchar_t separator);
void appendJson(std::string& out, const ExportTable& table);
void appendHtml(std::string& out, const ExportTable& table);

}  // namespace vemdrol
