#include "apps/app_fields.h"

#include <string>

namespace vemdrol {

const std::array<AppFieldColumn, appFieldCount>& appFieldColumns() {
  static const std::array<AppFieldColumn, appFieldCount> columns{{
      {L"名前", "name", AppFieldKind::text, 4200},
      {L"バージョン", "version", AppFieldKind::version, 1600},
      {L"発行元", "publisher", AppFieldKind::text, 2800},
      {L"インストール日", "installDate", AppFieldKind::date, 1500},
      {L"サイズ", "size", AppFieldKind::bytes, 1300},
      {L"場所", "location", AppFieldKind::text, 3600},
      {L"アンインストール", "uninstall", AppFieldKind::text, 3600},
      {L"対象", "scope", AppFieldKind::text, 1100},
      {L"ビュー", "view", AppFieldKind::text, 800},
      {L"種類", "kind", AppFieldKind::text, 800},
      {L"製品コード", "productCode", AppFieldKind::text, 3000},
      {L"登録場所", "source", AppFieldKind::text, 6000},
  }};
  return columns;
}

Text appField(const InstalledApp& app, AppField field) {
  switch (field) {
    case AppField::name:
      return app.name;
    case AppField::version:
      return app.version;
    case AppField::publisher:
      return app.publisher;
    case AppField::installDate:
      return app.installDate;
    case AppField::size:
      return app.size ? std::to_wstring(*app.size) : Text();
    case AppField::location:
      return app.location;
    case AppField::uninstall:
      return app.uninstall;
    case AppField::scope:
      return app.scope == AppScope::machine ? Text(scopeText(app.scope)) : app.user;
    case AppField::view:
      return app.view;
    case AppField::kind:
      return Text(kindText(app.kind));
    case AppField::productCode:
      return app.productCode;
    case AppField::source:
      return app.source;
  }
  return Text();
}

AppTexts appTexts(const InstalledApp& app) {
  AppTexts texts;
  for (std::size_t i = 0; i < appFieldCount; ++i) texts[i] = appField(app, AppField(i));
  return texts;
}

}  // namespace vemdrol
