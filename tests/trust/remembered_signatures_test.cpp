// Which signatures the filters keep, and the signatures remembered between
// runs: kept in a state table, read back, and trusted only while the file
// is as it was.
#include "trust/remembered_signatures.h"

#include <gtest/gtest.h>

#include "os/memory/filesystem.h"
#include "trust/signature_filter.h"

namespace vemdrol {
namespace {

TEST(SignatureFilter, OnlyAVerifiedMicrosoftSignerIsMicrosofts) {
  const auto facts = [](SignatureState state, const wchar_t* organization) {
    return SignatureFacts{state, L"signer", SignatureFailure::none, 0, organization};
  };
  struct Case {
    const char* name;
    std::optional<SignatureFacts> facts;
    bool hiddenAsMicrosoft;
    bool shownAsUnverified;
  };
  const Case cases[] = {
      {"verified Microsoft", facts(SignatureState::verified, L"Microsoft Corporation"), true,
       false},
      {"verified other", facts(SignatureState::verified, L"Vendor"), false, false},
      {"Microsoft in another letter case",
       facts(SignatureState::verified, L"MICROSOFT CORPORATION"), false, false},
      {"Microsoft failed", facts(SignatureState::failed, L"Microsoft Corporation"), false, true},
      {"Microsoft unjudged", facts(SignatureState::unverified, L"Microsoft Corporation"), false,
       true},
      {"unsigned", SignatureFacts{}, false, true},
      {"not known", std::nullopt, false, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(!filterKeeps({true, false}, c.facts), c.hiddenAsMicrosoft) << c.name;
    EXPECT_EQ(filterKeeps({false, true}, c.facts), c.shownAsUnverified) << c.name;
    EXPECT_TRUE(filterKeeps({}, c.facts)) << c.name;
  }
}

const SignatureFacts failedOther{SignatureState::failed, L"名前\tと\n改行", SignatureFailure::other,
                                 -2146762487, L"Org"};

TEST(RememberedSignatures, AStateTableKeepsEveryFactAndDamageIsPassedOver) {
  RememberedSignatures remembered;
  remembered.remember(L"C:\\A\\one.dll", {100, 1234567890123}, failedOther);
  remembered.remember(L"C:\\A\\two.exe", {0, 1}, SignatureFacts{});
  EXPECT_TRUE(remembered.changed());
  StateTable table = remembered.table();
  EXPECT_FALSE(remembered.changed());
  EXPECT_EQ(table.name, signatureTableName);
  ASSERT_EQ(table.records.size(), 2u);
  // A record of a later program, and one damaged, go; the rest stay.
  std::vector<Text> later = table.records[0];
  later[*table.column(L"state")] = L"trustedByFutureMeans";
  std::vector<Text> damaged = table.records[0];
  damaged[*table.column(L"size")] = L"12x";
  table.records.push_back(later);
  table.records.push_back(damaged);

  RememberedSignatures read;
  read.load(table);
  EXPECT_EQ(read.size(), 2u);
  EXPECT_EQ(read.recall(L"c:\\a\\ONE.DLL", {100, 1234567890123}), failedOther);
  EXPECT_EQ(read.recall(L"C:\\A\\two.exe", {0, 1}), SignatureFacts{});
  EXPECT_FALSE(read.recall(L"C:\\A\\one.dll", {101, 1234567890123}));
  EXPECT_FALSE(read.recall(L"C:\\A\\one.dll", {100, 1234567890124}));

  // A table without one of the columns holds nothing this program reads.
  table.columns[*table.column(L"lastWrite")] = L"renamed";
  read.load(table);
  EXPECT_EQ(read.size(), 0u);
}

struct CountingReader final : SignatureReader {
  Result<SignatureFacts> signatureOf(TextView) override {
    ++calls;
    return failedOther;
  }
  int calls = 0;
};

TEST(RememberedSignatures, OnlyAChangedFileIsVerifiedAgain) {
  MemoryFileSystem files;
  const auto write = [&](const char* bytes, std::optional<FileTime> time) {
    files.addFile(L"C:\\A\\one.dll", bytes);
    files.setTimes(L"C:\\A\\one.dll", time, std::nullopt);
  };
  CountingReader inner;
  RememberedSignatures remembered;
  RememberingSignatureReader reader(files, inner, remembered);
  struct Step {
    const char* bytes;
    std::optional<FileTime> time;
    int calls;  // the inner reader's, after this step
  };
  const Step steps[] = {
      {"bytes", 5000, 1},
      {"bytes", 5000, 1},                 // as it was
      {"other", 5000, 1},                 // the same size and time: not looked into
      {"other", 5001, 2},                 // a new time
      {"longer bytes", 5001, 3},          // a new size
      {"longer bytes", std::nullopt, 4},  // no time kept: never taken as unchanged
      {"longer bytes", std::nullopt, 5},
  };
  for (const Step& step : steps) {
    write(step.bytes, step.time);
    EXPECT_EQ(reader.signatureOf(L"C:\\a\\ONE.dll").value(), failedOther);
    EXPECT_EQ(inner.calls, step.calls) << step.bytes;
  }
  // A file that is gone is asked about, and nothing is remembered of it.
  EXPECT_TRUE(reader.signatureOf(L"C:\\A\\gone.dll"));
  EXPECT_EQ(remembered.size(), 1u);

  // A file that has left the list is forgotten, and the table says so; one
  // still listed stays, however its path is spelt.
  remembered.remember(L"C:\\A\\left.dll", FileStamp{1, 1}, failedOther);
  (void)remembered.table();
  remembered.keepOnly({L"c:\\a\\one.DLL"});
  EXPECT_TRUE(remembered.changed());
  const StateTable kept = remembered.table();
  ASSERT_EQ(kept.records.size(), 1u);
  EXPECT_EQ(kept.records[0][0], L"C:\\a\\ONE.dll");
  remembered.keepOnly({L"C:\\A\\ONE.DLL"});
  EXPECT_FALSE(remembered.changed());
}

}  // namespace
}  // namespace vemdrol
