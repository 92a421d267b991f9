#include "cli/failure_text.h"

#include "files/error_message.h"

namespace vemdrol {

TextView procedureLabel(Procedure procedure) {
  switch (procedure) {
    case Procedure::scan:
      break;
    case Procedure::buildInventory:
      return L"InsMake ";
    case Procedure::listKey:
      return L"inslist ";
    case Procedure::endPass:
      return L"WPrint ";
    case Procedure::loadInventory:
      return L"CntRead ";
    case Procedure::saveInventory:
      return L"CntWrite ";
  }
  return L"";
}

Text failureText(const Failure& failure) {
  return errorMessage(procedureLabel(failure.procedure), failure.error);
}

}  // namespace vemdrol
