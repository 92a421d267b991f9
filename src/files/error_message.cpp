#include "files/error_message.h"

#include <string>

namespace vemdrol {

Text errorMessage(TextView label, const Error& error) {
  Text message(label);
  message += std::to_wstring(error.number);
  message += L" 内容=";
  message += error.description;
  return message;
}

}  // namespace vemdrol
