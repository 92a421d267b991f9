#include "os/posix/errors.h"

#include <cerrno>
#include <system_error>

#include "base/utf8.h"

namespace vemdrol {

Error posixError(int number) {
  return Error{number, decodeUtf8(std::generic_category().message(number)).value_or(Text())};
}

Error fileReadError(int number) {
  switch (number) {
    case ENOENT:
    case ENOTDIR:
      return faultError(Fault::fileMissing, number);
    case EACCES:
    case EPERM:
      return faultError(Fault::readNotPermitted, number);
    case EISDIR:
      return faultError(Fault::isFolder, number);
    case EFBIG:
      return faultError(Fault::fileTooLarge, number);
    case ENOMEM:
      return faultError(Fault::systemOutOfMemory, number);
    default:
      return faultError(Fault::otherSystemError, number);
  }
}

}  // namespace vemdrol
