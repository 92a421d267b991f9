#include <libintl.h>

#include <clocale>

#include "cli/scan_run.h"

namespace vemdrol {

void systemReasonsInLanguage(bool japanese) {
  if (!japanese) return;
  // Only the messages' category: numbers, sorting and character classes
  // stay those of the C locale the program is written against. The C
  // library's own texts then come in UTF-8, as every line the program
  // writes, whatever the locale's character set.
  if (std::setlocale(LC_MESSAGES, "") == nullptr) return;
  (void)bind_textdomain_codeset("libc", "UTF-8");
}

}  // namespace vemdrol
