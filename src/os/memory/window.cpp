#include "os/memory/window.h"

namespace vemdrol {

Status MemoryWindowServices::setClipboardText(TextView text) {
  if (clipboardFails) return Error{521, L"クリップボードを開けません。"};
  clipboardCleared = true;
  clipboard = text;
  return success();
}

Status MemoryWindowServices::openFileLocation(TextView path) {
  if (shellFails) return Error{2, L"指定されたファイルが見つかりません。"};
  openedLocations.emplace_back(path);
  return success();
}

Status MemoryWindowServices::showFileProperties(TextView path) {
  if (shellFails) return Error{2, L"指定されたファイルが見つかりません。"};
  if (noPropertiesDialog)
    return Error{noPropertiesDialogError,
                 L"指定されたファイルに対して、この操作を実行するアプリケーションが関連付けられてい"
                 L"ません。"};
  shownProperties.emplace_back(path);
  return success();
}

Status MemoryWindowServices::openRegistryEditorAt(TextView key) {
  if (shellFails) return Error{2, L"指定されたファイルが見つかりません。"};
  registryEditorKeys.emplace_back(key);
  return success();
}

Status MemoryWindowServices::showTrayIcon(TextView tip) {
  if (trayFails) return Error{50, L"この要求はサポートされていません。"};
  trayShown = true;
  trayTips.emplace_back(tip);
  return success();
}

Status MemoryWindowServices::showTrayNotification(TextView title, TextView text) {
  if (trayFails) return Error{50, L"この要求はサポートされていません。"};
  trayShown = true;
  notifications.push_back(Question{Text(title), Text(text)});
  return success();
}

bool MemoryWindowServices::askYesNo(TextView title, TextView question) {
  questions.push_back(Question{Text(title), Text(question)});
  if (answers.empty()) return true;
  bool answer = answers.front();
  answers.pop_front();
  return answer;
}

std::optional<Text> MemoryWindowServices::askFileName(const FileQuestion& question) {
  fileQuestions.push_back(question);
  if (fileNames.empty()) return std::nullopt;
  std::optional<Text> name = std::move(fileNames.front());
  fileNames.pop_front();
  return name;
}

}  // namespace vemdrol
