#include <gtest/gtest.h>

#include <string>

#include "base/utf16.h"
#include "formats/apps/app_values.h"
#include "formats/apps/appx_manifest.h"
#include "formats/apps/export_json.h"
#include "formats/apps/package_full_name.h"
#include "formats/limits.h"

namespace vemdrol {
namespace {

RegistryData stringValue(TextView text, std::uint32_t type = registryTypeSz) {
  return RegistryData{type, toUtf16Le(text) + std::string(2, '\0')};
}

RegistryData number(std::uint64_t value, std::size_t bytes, std::uint32_t type) {
  std::string data;
  for (std::size_t i = 0; i < bytes; ++i) data.push_back(static_cast<char>(value >> (8 * i)));
  return RegistryData{type, data};
}

TEST(AppValues, TextsAreReadFromTheStringTypesWithinTheirLimit) {
  const Text longest(maxAppTextLength, L'x');
  struct Case {
    RegistryData data;
    std::optional<Text> text;
  } cases[] = {
      {stringValue(L"電卓 ©"), L"電卓 ©"},
      {stringValue(L"%ProgramFiles%\\x", registryTypeExpandSz), L"%ProgramFiles%\\x"},
      {RegistryData{registryTypeSz, toUtf16Le(L"a") + std::string(2, '\0') + toUtf16Le(L"b")},
       L"a"},
      {RegistryData{registryTypeSz, toUtf16Le(L"no end")}, L"no end"},
      {number(1, 4, registryTypeDword), std::nullopt},
      {RegistryData{registryTypeSz, "abc"}, std::nullopt},
      {stringValue(longest), longest},
      {stringValue(longest + L"x"), std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(appText(c.data), c.text);
  EXPECT_EQ(appDword(number(1, 4, registryTypeDword)), 1u);
  EXPECT_EQ(appDword(stringValue(L"1")), std::nullopt);
  EXPECT_EQ(appDword(number(1, 8, registryTypeQword)), std::nullopt);
}

TEST(AppValues, InstallDatesAreDaysThatExist) {
  const std::pair<TextView, std::optional<Text>> cases[] = {
      {L"20261207", L"2026-12-07"}, {L" 20240229 ", L"2024-02-29"},
      {L"16010101", L"1601-01-01"}, {L"20230229", std::nullopt},
      {L"19000229", std::nullopt},  {L"20000229", L"2000-02-29"},
      {L"16001231", std::nullopt},  {L"20261301", std::nullopt},
      {L"20261200", std::nullopt},  {L"2026-12-07", std::nullopt},
      {L"2026120", std::nullopt},   {L"202612071", std::nullopt},
      {L"", std::nullopt},          {L"２０２６１２０７", std::nullopt},
  };
  for (const auto& [stored, date] : cases) EXPECT_EQ(installDateOf(stored), date) << stored.size();
}

TEST(AppValues, EstimatedSizesAreKibibytesThatFit) {
  constexpr std::uint64_t most = UINT64_MAX / 1024;
  const std::pair<RegistryData, std::optional<std::uint64_t>> cases[] = {
      {number(2048, 4, registryTypeDword), 2048u * 1024},
      {number(0xFFFFFFFF, 4, registryTypeDword), 0xFFFFFFFFull * 1024},
      {number(most, 8, registryTypeQword), most * 1024},
      {number(most + 1, 8, registryTypeQword), std::nullopt},
      {stringValue(L"1500"), 1500u * 1024},
      {stringValue(Text(std::to_wstring(most))), most * 1024},
      {stringValue(Text(std::to_wstring(most + 1))), std::nullopt},
      {stringValue(L"99999999999999999999999"), std::nullopt},
      {stringValue(L"12 MB"), std::nullopt},
      {stringValue(L""), std::nullopt},
      {number(5, 2, registryTypeDword), std::nullopt},
      {number(5, 4, registryTypeBinary), std::nullopt},
  };
  for (const auto& [data, bytes] : cases) EXPECT_EQ(estimatedSizeBytes(data), bytes);
}

TEST(PackageFullNames, FiveCheckedParts) {
  const auto parsed =
      parsePackageFullName(L"Microsoft.WindowsCalculator_11.2210.0.0_x64__8wekyb3d8bbwe");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->name, L"Microsoft.WindowsCalculator");
  EXPECT_EQ(parsed->version, L"11.2210.0.0");
  EXPECT_EQ(parsed->architecture, L"x64");
  EXPECT_EQ(parsed->resourceId, L"");
  EXPECT_EQ(parsed->publisherId, L"8wekyb3d8bbwe");
  EXPECT_EQ(parsePackageFullName(L"A.B_1.0.0.0_neutral_split.scale-100_8wekyb3d8bbwe")->resourceId,
            L"split.scale-100");

  const Text name50(50, L'n');
  const Text tail = L"_1.2.3.4_x86__abcdefghijklm";
  EXPECT_TRUE(parsePackageFullName(name50 + tail));
  EXPECT_FALSE(parsePackageFullName(name50 + L"n" + tail));
  const TextView refused[] = {
      L"Microsoft.App_1.2.3_x64__8wekyb3d8bbwe",        // three numbers
      L"Microsoft.App_1.2.3.65536_x64__8wekyb3d8bbwe",  // a number too large
      L"Microsoft.App_1.2.3.4_sparc__8wekyb3d8bbwe",    // no such architecture
      L"Microsoft.App_1.2.3.4_x64__8WEKYB3D8BBWE",      // upper case publisher
      L"Microsoft.App_1.2.3.4_x64__8wekyb3d8bbw",       // twelve characters
      L"Microsoft.App_1.2.3.4_x64___8wekyb3d8bbwe",     // six parts
      L"Microsoft App_1.2.3.4_x64__8wekyb3d8bbwe",      // a blank in the name
      L"",
  };
  for (TextView name : refused) EXPECT_FALSE(parsePackageFullName(name)) << name.size();
}

std::string manifest(std::string_view properties) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
         "<Package xmlns=\"http://schemas.microsoft.com/appx/manifest/foundation/windows10\" "
         "xmlns:uap=\"u\">\n<!-- <Properties><DisplayName>comment</DisplayName></Properties> -->\n"
         "<Identity Name=\"A.B\" Version=\"1.0.0.0\"/>\n<Properties>" +
         std::string(properties) +
         "</Properties>\n<Applications><Application><uap:VisualElements DisplayName=\"Tile > "
         "name\"><uap:DisplayName>inner</uap:DisplayName></uap:VisualElements></Application>"
         "</Applications></Package>\n";
}

TEST(AppxManifests, ThePackagesOwnPropertiesAreRead) {
  struct Case {
    std::string bytes;
    std::optional<Text> name;
    std::optional<Text> publisher;
    bool framework;
  } cases[] = {
      {manifest("<DisplayName> 電卓 &amp; &#x263A; </DisplayName><PublisherDisplayName>Contoso "
                "&lt;Ltd&gt;</PublisherDisplayName>"),
       L"電卓 & ☺", L"Contoso <Ltd>", false},
      {"\xEF\xBB\xBF" + manifest("<DisplayName>ms-resource:AppName</DisplayName>"
                                 "<Framework>true</Framework>"),
       L"ms-resource:AppName", std::nullopt, true},
      {manifest("<DisplayName></DisplayName><Framework>false</Framework>"), std::nullopt,
       std::nullopt, false},
      {manifest("<DisplayName>" + std::string(maxAppxDisplayNameLength, 'a') + "</DisplayName>"),
       Text(maxAppxDisplayNameLength, L'a'), std::nullopt, false},
      {manifest("<DisplayName>" + std::string(maxAppxDisplayNameLength + 1, 'a') +
                "</DisplayName>"),
       std::nullopt, std::nullopt, false},
      {manifest("<DisplayName><![CDATA[x]]></DisplayName>"), L"<![CDATA[x]]>", std::nullopt, false},
  };
  for (const Case& c : cases) {
    const Result<AppxManifestFacts> facts = readAppxManifest(c.bytes);
    ASSERT_TRUE(facts) << c.bytes;
    EXPECT_EQ(facts.value().displayName, c.name) << c.bytes;
    EXPECT_EQ(facts.value().publisherName, c.publisher) << c.bytes;
    EXPECT_EQ(facts.value().framework, c.framework) << c.bytes;
  }
  std::string utf16 = "\xFF\xFE" + toUtf16Le(
                                       L"<Package><Properties><DisplayName>ワード"
                                       L"</DisplayName></Properties></Package>");
  EXPECT_EQ(readAppxManifest(utf16).value().displayName, L"ワード");
}

TEST(AppxManifests, MarkupThatDoesNotCloseOrNestsTooDeepIsRefused) {
  const auto nested = [](std::size_t depth) {
    std::string xml;
    for (std::size_t i = 0; i < depth; ++i) xml += "<a>";
    for (std::size_t i = 0; i < depth; ++i) xml += "</a>";
    return xml;
  };
  EXPECT_TRUE(readAppxManifest(nested(maxAppxManifestDepth)));
  EXPECT_FALSE(readAppxManifest(nested(maxAppxManifestDepth + 1)));
  std::string padded = manifest("<DisplayName>x</DisplayName>");
  padded.resize(maxAppxManifestSize, ' ');
  EXPECT_TRUE(readAppxManifest(padded));
  padded.push_back(' ');
  EXPECT_FALSE(readAppxManifest(padded));
  for (const char* bad : {"<Package><Properties>", "<Package></Properties>", "<Package attr=\">",
                          "<!-- open", "<Package>\xC3</Package>", "< >"}) {
    const Result<AppxManifestFacts> facts = readAppxManifest(bad);
    ASSERT_FALSE(facts) << bad;
    EXPECT_EQ(facts.error().fault, Fault::badAppxManifest);
  }
}

TEST(ExportedJson, RowsComeBackAsTextsAndTheRestIsPassedOver) {
  const std::string file =
      "\xEF\xBB\xBF{\"generator\": {\"name\": \"Vemdrol\"}, \"columns\": [{\"key\": \"name\"}],\n"
      "\"rows\": [\n{\"name\": \"電卓 \\u00a9 \\ud83d\\ude00\", \"size\": 1024, \"hidden\": true,"
      " \"date\": null, \"old\": {\"name\": [1, {\"x\": 2}]}},\n{\"name\": \"\\\"q\\\"\\n\","
      " \"lone\": \"\\udc00\"}]}\n";
  const Result<std::vector<ExportedRow>> rows = readExportedRows(file);
  ASSERT_TRUE(rows) << rows.error().subject.size();
  ASSERT_EQ(rows.value().size(), 2u);
  const ExportedRow& first = rows.value()[0];
  EXPECT_EQ(first.field("name"), Text(L"電卓 © ") + fromUtf16(u"\U0001F600"));
  EXPECT_EQ(first.field("size"), L"1024");
  EXPECT_EQ(first.field("hidden"), L"true");
  EXPECT_EQ(first.field("date"), L"");
  EXPECT_EQ(first.field("old"), L"");
  EXPECT_EQ(rows.value()[1].field("name"), L"\"q\"\n");
  EXPECT_EQ(toUtf16(rows.value()[1].field("lone")), std::u16string(1, u'\xDC00'));
  EXPECT_TRUE(looksLikeJson(file));
  EXPECT_FALSE(looksLikeJson("\"*.txt\",\"x\"\r\n"));
}

TEST(ExportedJson, OtherFilesAndDeepNestingAreRefused) {
  const auto nestedOld = [](std::size_t depth) {
    // The file's object, the rows and a row are three levels.
    std::string value;
    for (std::size_t i = 3; i < depth; ++i) value += "[";
    value += "1";
    for (std::size_t i = 3; i < depth; ++i) value += "]";
    return "{\"rows\": [{\"old\": " + value + "}]}";
  };
  EXPECT_TRUE(readExportedRows(nestedOld(maxAppsJsonDepth)));
  EXPECT_FALSE(readExportedRows(nestedOld(maxAppsJsonDepth + 1)));
  for (const char* bad : {"", "[]", "{}", "{\"rows\": {}}", "{\"rows\": [1]}", "{\"rows\": []} x",
                          "{\"rows\": [{\"a\": \"\x01\"}]}", "{\"rows\": [{\"a\": \"\\x\"}]}",
                          "{\"rows\": [{\"a\": -}]}", "{\"rows\": [{\"a\": \"\xFF\"}]}",
                          "{\"rows\": [], \"rows\": []}"}) {
    const Result<std::vector<ExportedRow>> rows = readExportedRows(bad);
    ASSERT_FALSE(rows) << bad;
    EXPECT_EQ(rows.error().fault, Fault::notJsonExport);
  }
}

}  // namespace
}  // namespace vemdrol
