#include "apps/installed_app.h"

namespace vemdrol {

TextView scopeText(AppScope scope) { return scope == AppScope::machine ? L"machine" : L"user"; }

TextView kindText(AppKind kind) {
  switch (kind) {
    case AppKind::msi:
      return L"msi";
    case AppKind::store:
      return L"store";
    case AppKind::other:
      break;
  }
  return L"other";
}

}  // namespace vemdrol
