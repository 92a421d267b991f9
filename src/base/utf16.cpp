#include "base/utf16.h"

#include <cstdint>

namespace vemdrol {

Text fromUtf16Le(std::string_view bytes) {
  Text text;
  const std::size_t units = bytes.size() / 2;
  text.reserve(units);
  auto unitAt = [&bytes](std::size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                      static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  };
  for (std::size_t i = 0; i < units; ++i) {
    const std::uint16_t unit = unitAt(i);
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
        const std::uint16_t low = unitAt(i + 1);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          const char32_t code = 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (low - 0xDC00);
          text.push_back(static_cast<wchar_t>(code));
          ++i;
          continue;
        }
      }
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

std::string toUtf16Le(TextView text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  auto put = [&bytes](std::uint32_t unit) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>((unit >> 8) & 0xFF));
  };
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code > 0xFFFF) {
      const std::uint32_t offset = code - 0x10000;
      put(0xD800 + (offset >> 10));
      put(0xDC00 + (offset & 0x3FF));
    } else {
      put(code);
    }
  }
  return bytes;
}

Text fromUtf16(std::u16string_view units) {
  Text text;
  text.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    const char16_t unit = units[i];
    if constexpr (sizeof(wchar_t) == 4) {
      if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
          units[i + 1] <= 0xDFFF) {
        text.push_back(static_cast<wchar_t>(0x10000 + ((char32_t{unit} - 0xD800) << 10) +
                                            (units[i + 1] - 0xDC00)));
        ++i;
        continue;
      }
    }
    text.push_back(static_cast<wchar_t>(unit));
  }
  return text;
}

std::u16string toUtf16(TextView text) {
  std::u16string units;
  units.reserve(text.size());
  for (wchar_t c : text) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code > 0xFFFF) {
      const std::uint32_t offset = code - 0x10000;
      units.push_back(static_cast<char16_t>(0xD800 + (offset >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + (offset & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
  }
  return units;
}

}  // namespace vemdrol
