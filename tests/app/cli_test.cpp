// Runs the real vekcontest-cli binary as a script would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <string>
#include <iterator>
#include <set>
#include <algorithm>
#include <fstream>

#include "rig/rig_daemons.h"

namespace {

struct CliRun {
  int exit_code = -1;
  std::string out;
};

// `raw`: args is a whole shell command (for arguments that need bash's quoting).
CliRun Cli(const std::string& args, bool raw = false) {
  CliRun r;
  const std::string command = (raw ? args : std::string(VEK_CLI_PATH) + " " + args) + " 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.out.append(buf.data(), n);
  const int status = pclose(pipe);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(CliTest, LocatorCentreAndDistance) {
  CliRun r = Cli("locator JO62MM");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "locator: JO62MM\nlongitude: 13.041667\nlatitude: 52.520833\n");

  r = Cli("locator JO62MM JN58TD --json");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "{\"from\":\"JO62MM\",\"to\":\"JN58TD\",\"distance_km\":496.4,\"bearing_deg\":192.2,"
            "\"stored_distance_km\":496}\n");
  r = Cli("--json locator JO62MM JN58TD");
  EXPECT_NE(r.out.find("\"distance_km\":496.4"), std::string::npos);
  r = Cli("locator JO62MM JN58TD");
  EXPECT_NE(r.out.find("distance_km: 496.40\nbearing_deg: 192.2\n"), std::string::npos);
}

TEST(CliTest, BadLocatorFailsWithExitCodeOne) {
  CliRun r = Cli("locator SO62MM");
  EXPECT_EQ(r.exit_code, 1);
  r = Cli("locator JO62MM X --json");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("\"error\":"), std::string::npos);
}

TEST(CliTest, BandTextAndFrequency) {
  CliRun r = Cli("band 3550 --json");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "{\"input\":\"3550\",\"recognised_as\":\"frequency\",\"band_code\":\"b\",\"band_name\":\"80 m\","
            "\"compact_name\":\"80m\",\"start_frequency_mhz\":3.5,\"normalised_mhz\":3.55,"
            "\"frequency_band_code\":\"b\"}\n");
  r = Cli("band '70 cm'");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("band_code: l\n"), std::string::npos);
  EXPECT_EQ(r.out.find("normalised_mhz"), std::string::npos);
  r = Cli("band 2");  // a band name wins over 2 MHz
  EXPECT_NE(r.out.find("band_code: k\n"), std::string::npos);
  EXPECT_NE(r.out.find("normalised_mhz: 144.000000\n"), std::string::npos);
  r = Cli("band 144,3");
  EXPECT_NE(r.out.find("recognised_as: frequency\nband_code: k\n"), std::string::npos);
  EXPECT_EQ(Cli("band 145000000").exit_code, 1);
  EXPECT_EQ(Cli("band xyz").exit_code, 1);
}

TEST(CliTest, ModeAndCall) {
  CliRun r = Cli("mode 2xSSB --json");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "{\"input\":\"2xSSB\",\"mode_code\":\"b\",\"mode_name\":\"SSB\"}\n");
  EXPECT_EQ(Cli("mode ft8").exit_code, 1);

  r = Cli("call DL/OE1ABC/P --json");
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out, "{\"call\":\"DL/OE1ABC/P\",\"home_call\":\"OE1ABC\",\"prefix_part\":\"DL\"}\n");
}

TEST(CliTest, UsageErrorsDoNotPretendSuccess) {
  EXPECT_NE(Cli("").exit_code, 0);
  EXPECT_NE(Cli("locator").exit_code, 0);
  EXPECT_NE(Cli("frobnicate").exit_code, 0);
}

}  // namespace

// ---------------------------------------------------------------- check / rebuild

#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "base/record_bytes.h"
#include "store/file_manager.h"
#include "store/keys.h"

namespace {

class CliStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vekcliXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    vek::store::FileManager fm;
    ASSERT_EQ(fm.InitFileManager(), 0);
    auto builder = [](vek::ConstBytes r, int k) {
      return k == 1 ? vek::store::LongToKey(vek::GetI32(r, 4)) : vek::PadRight(vek::GetText(r, 8, 11), 10);
    };
    auto* fb = fm.OpenFileBlock(dir_ + "/DEMO", "DEMO", 40, 40, nullptr, 2, builder);
    fm.DefineKey(fb, 1, 5, false);
    fm.DefineKey(fb, 2, 10, true);
    fm.SetAutoNumber(fb, 1, 4);
    for (int i = 0; i < 300; ++i) {
      fm.ClearRecord(fb);
      vek::PutText(fm.RecordBuffer(fb), 8, 11, "CALL" + std::to_string(i % 40));
      ASSERT_EQ(fm.AddRecord(fb), 0);
    }
    ASSERT_EQ(fm.FindKey(fb, 1, vek::store::LongToKey(10)), 0);
    ASSERT_EQ(fm.DeleteRecord(fb), 0);
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  CliRun InDir(const std::string& args) { return Cli("--json " + args + " --data-dir " + dir_); }
  void SetByte(const std::string& file, long offset, char value) {
    std::fstream f(dir_ + "/" + file, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.put(value);
  }

  std::string dir_;
};

TEST_F(CliStoreTest, CheckReportsACleanFile) {
  CliRun r = Cli("check DEMO --data-dir " + dir_ + " --json");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\"clean\":true,\"record_length\":40,\"records_in_use\":299,\"deleted\":1"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("{\"key\":2,\"length\":10,\"duplicates\":true,\"entries\":299"), std::string::npos) << r.out;
  EXPECT_EQ(Cli("check NOPE --data-dir " + dir_).exit_code, 1);
}

TEST_F(CliStoreTest, CheckFindsDamageAndRebuildMendsIt) {
  SetByte("DEMO.DAT", 20, 1);           // marked as being changed
  SetByte("DEMO.DAT", 40 * 5 + 2, 7);   // record 5 neither in use nor deleted
  CliRun r = InDir("check DEMO");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("being changed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("record 5 is neither in use nor deleted"), std::string::npos) << r.out;
  r = InDir("rebuild DEMO");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\"clean\":true"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"records_in_use\":298"), std::string::npos) << r.out;  // record 5 was no record any more
  EXPECT_EQ(InDir("check DEMO").exit_code, 0);
}

TEST_F(CliStoreTest, RebuildWithoutKeysChangesNothing) {
  std::remove((dir_ + "/DEMO.IX").c_str());
  CliRun r = InDir("rebuild DEMO");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("Nothing was changed"), std::string::npos) << r.out;
  std::ifstream dat(dir_ + "/DEMO.DAT", std::ios::binary | std::ios::ate);
  EXPECT_EQ(static_cast<long>(dat.tellg()), 40L * 301);
}

}  // namespace

// ---------------------------------------------------------------- contest

#include <nlohmann/json.hpp>

namespace {

nlohmann::json ContestJson(const std::string& args) {
  const CliRun r = Cli("contest " + args + " --json");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  return nlohmann::json::parse(r.out, nullptr, false);
}

TEST(CliContestTest, ContestGFromTheStationsValues) {
  const auto j = ContestJson("g --own-locator JO62MM --own-dok I38 --date-from 21.11.2009 --class 1");
  ASSERT_TRUE(j.is_object());
  EXPECT_EQ(j["ContestTitle"], "UKW Nordsee-Contest 2009");
  EXPECT_EQ(j["SentValue2"], "JO62");
  EXPECT_EQ(j["SentValue3"], "I38");
  EXPECT_EQ(j["Bands"], nlohmann::json::parse(R"(["k","l","m"])"));
  EXPECT_EQ(j["MultiplierKinds"], nlohmann::json::parse("[4,5]"));
  EXPECT_EQ(j["OutputItems"], nlohmann::json::parse("[1,2,4,5,6,7,10]"));
  EXPECT_EQ(j["Classes"][1]["Description"], "Sektion B - Stationen au\xC3\x9F" "erhalb DARC-Distrikt I");
  EXPECT_EQ(j["BandSchedule"][2]["Bands"], nlohmann::json::parse(R"(["m"])"));
  EXPECT_EQ(j["HomeRegion"]["Districts"], nlohmann::json::parse(R"(["I"])"));
  EXPECT_EQ(j["TotalsInExtraRecord"], false);
}

TEST(CliContestTest, ClassesTodayAndQuestions) {
  auto j = ContestJson("V --class 10");
  EXPECT_TRUE(j["Modes"].empty());
  EXPECT_TRUE(j["Bands"].empty());
  EXPECT_EQ(j["HomeRegion"]["Doks"][1], "");  // the empty second entry keeps its place
  EXPECT_EQ(j["HomeRegion"]["Doks"][2], "MVP");
  j = ContestJson("N --today 03.03.2010");
  EXPECT_EQ(j["StartDate"], "03.03.2010");
  j = ContestJson("P --extra -1");
  EXPECT_EQ(j["SentValue1"], "XX");
  j = ContestJson("Y --extra 2");
  EXPECT_EQ(j["SentFieldsShown"], 1);
  j = ContestJson("Z --answer");
  EXPECT_EQ(j["SentValue2"], "IPA");
  EXPECT_EQ(j["TotalsInExtraRecord"], true);
  j = ContestJson("H");
  EXPECT_EQ(j["EnglishMessages"], true);
}

TEST(CliContestTest, RefusesUnknownCodesAndBadDates) {
  EXPECT_EQ(Cli("contest M").exit_code, 1);
  EXPECT_EQ(Cli("contest gg").exit_code, 1);
  EXPECT_EQ(Cli("contest g --date-from 31.02.2009").exit_code, 1);
  EXPECT_EQ(Cli("contest g --today 2009-01-01").exit_code, 1);
}

}  // namespace

// ---------------------------------------------------------------- catalogue

namespace {

class CliCatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vekcatXXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }
  CliRun In(const std::string& args) { return Cli(args + " --data-dir " + dir_); }
  std::string dir_;
};

TEST_F(CliCatalogueTest, NewLogAppearsInLogsWithTheDefinitionsDates) {
  CliRun r = In("new-log --name 'Nordsee 2008' --call DL1ABC --locator JO43KD --dok I38 --class 1 "
                "--postcode-town '26129 Oldenburg' --json");
  ASSERT_EQ(r.exit_code, 0) << r.out;
  r = In("logs --json");
  ASSERT_EQ(r.exit_code, 0);
  const auto j = nlohmann::json::parse(r.out);
  ASSERT_EQ(j["count"], 1);
  EXPECT_EQ(j["logs"][0]["name"], "Nordsee 2008");
  EXPECT_EQ(j["logs"][0]["date_from"], "15.11.2008");
  EXPECT_EQ(j["logs"][0]["date_to"], "16.11.2008");
  EXPECT_EQ(j["logs"][0]["class_name"], "Sektion A");
  EXPECT_EQ(j["logs"][0]["own_call"], "DL1ABC");
  r = In("check QVKK --json");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\"clean\":true"), std::string::npos);
  EXPECT_EQ(In("check QVKZ").exit_code, 0);
  EXPECT_EQ(In("check QVSETUP").exit_code, 0);
}

TEST_F(CliCatalogueTest, RefusalsCarryTheSetupsMessage) {
  CliRun r = In("new-log --name X --class 1 --json");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("Angabe der Postleitzahl und des Ortes notwendig."), std::string::npos) << r.out;
  // Without a DOK the setup asks; without --yes the answer is no.
  r = In("new-log --name X --class 1 --call DL1ABC --locator JO43KD --postcode-town '26129 Oldenburg' --json");
  EXPECT_EQ(r.exit_code, 1);
  r = In("new-log --name X --class 1 --call DL1ABC --locator JO43KD --postcode-town '26129 Oldenburg' --yes");
  EXPECT_EQ(r.exit_code, 0) << r.out;
}

TEST_F(CliCatalogueTest, DeleteLogNeedsYesAndRemovesIt) {
  ASSERT_EQ(In("new-log --name A --call DL1ABC --locator JO43KD --dok I38 --class 2 --postcode-town '1 X'").exit_code, 0);
  EXPECT_EQ(In("delete-log 1").exit_code, 1);
  EXPECT_EQ(In("delete-log 7 --yes").exit_code, 1);
  CliRun r = In("delete-log 1 --yes --json");
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\"deleted\":true"), std::string::npos);
  r = In("logs --json");
  EXPECT_NE(r.out.find("\"count\":0"), std::string::npos) << r.out;
  EXPECT_EQ(In("check QVKK").exit_code, 0);
}

TEST_F(CliCatalogueTest, RebuildOfAKnownFileUsesItsKeyBuilder) {
  ASSERT_EQ(In("new-log --name A --call DL1ABC --locator JO43KD --dok I38 --class 2 --postcode-town '1 X'").exit_code, 0);
  ASSERT_EQ(In("new-log --name B --call DL1ABC --locator JO43KD --dok I38 --class 1 --postcode-town '1 X'").exit_code, 0);
  std::remove((dir_ + "/QVKK.IX").c_str());
  CliRun r = In("rebuild QVKK --json");  // a known layout: no salvaged keys needed
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("\"records_in_use\":2"), std::string::npos);
  r = In("logs --json");
  EXPECT_NE(r.out.find("\"count\":2"), std::string::npos) << r.out;
}

}  // namespace

// ---------------------------------------------------------------- logs' data sets

#include "logging/contest_log.h"
#include "logging/qso_record.h"

namespace {

TEST(CliLogFileTest, CheckVerifiesTheKeyTextsOfAContestLog) {
  char pattern[] = "/tmp/veklogXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  {
    vek::store::FileManager fm;
    ASSERT_EQ(fm.InitFileManager(), 0);
    vek::SuiteFiles files(fm);
    vek::store::FileBlockSpec spec = vek::qso::LogSpec(3);
    spec.file_name = dir + "/QVLK0003";
    vek::store::FileBlock* fb = files.OpenSpec(spec);
    ASSERT_NE(fb, nullptr);
    for (int i = 0; i < 120; ++i) {
      fm.ClearRecord(fb);
      vek::PutText(fm.RecordBuffer(fb), vek::qso::kCall, "DL" + std::to_string(i) + "AB/P");
      vek::PutI32(fm.RecordBuffer(fb), vek::qso::kDate.offset, 149338);
      vek::PutI32(fm.RecordBuffer(fb), vek::qso::kTime.offset, i * 60);
      ASSERT_EQ(fm.AddRecord(fb), 0);
    }
  }
  EXPECT_EQ(Cli("check QVLK0003 --data-dir " + dir).exit_code, 0);
  // A call changed behind the index's back: key 2, 6 and 9 no longer match.
  {
    std::fstream f(dir + "/QVLK0003.DAT", std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(216 * 7 + 9);
    f.put('X');
  }
  const CliRun r = Cli("check QVLK0003 --json --data-dir " + dir);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("key text"), std::string::npos) << r.out;
  EXPECT_EQ(Cli("rebuild QVLK0003 --data-dir " + dir).exit_code, 0);
  EXPECT_EQ(Cli("check QVLK0003 --data-dir " + dir).exit_code, 0);
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace

// ---------------------------------------------------------------- reference tables

namespace {

TEST(CliReferenceTest, ImportTheCountryFileAndLookUpCalls) {
  if (!std::ifstream("/usr/share/hamradio-files/cty.dat")) GTEST_SKIP() << "hamradio-files is not installed";
  char pattern[] = "/tmp/vekrefXXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string dir = pattern;
  CliRun r = Cli("import-cty /usr/share/hamradio-files/cty.dat --json --data-dir " + dir);
  ASSERT_EQ(r.exit_code, 0) << r.out;
  const auto counts = nlohmann::json::parse(r.out);
  EXPECT_GT(counts["prefixes"].get<int>(), 5000);
  r = Cli("prefix DL1ABC --json --data-dir " + dir);
  EXPECT_EQ(r.exit_code, 0);
  const auto dl = nlohmann::json::parse(r.out);
  EXPECT_EQ(dl["dxcc_prefix"], "DL");
  EXPECT_EQ(dl["prefix"], "DL1");
  EXPECT_EQ(dl["continent"], "EU");
  EXPECT_EQ(dl["dxcc_number"], 230);
  EXPECT_EQ(nlohmann::json::parse(Cli("prefix K1XX --json --data-dir " + dir).out)["dxcc_prefix"], "K");
  EXPECT_EQ(Cli("prefix 0 --data-dir " + dir).exit_code, 1);
  // A batch: one result per line, the same as single lookups; a call not
  // found is a result there, not a failure.
  r = Cli("printf 'dl1abc\\n\\nK1XX\\r\\n0\\n' | " + std::string(VEK_CLI_PATH) + " prefix --stdin --data-dir " + dir,
          true);
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out,
            "DL1ABC\tfound\tDL1\tEU\t230\tFed. Rep. of Germany\n"
            "K1XX\tfound\tK1\tNA\t291\tUnited States of America\n"
            "0\tnot_found\n");
  r = Cli("printf 'DL1ABC\\nK1XX\\n' | " + std::string(VEK_CLI_PATH) + " prefix --stdin --json --data-dir " + dir,
          true);
  std::istringstream lines(r.out);
  std::string line;
  std::vector<nlohmann::json> objects;
  while (std::getline(lines, line)) objects.push_back(nlohmann::json::parse(line));
  ASSERT_EQ(objects.size(), 2u);
  EXPECT_EQ(objects[0], dl);
  EXPECT_EQ(objects[1]["dxcc_prefix"], "K");
  EXPECT_EQ(Cli("prefix DL1ABC --stdin --data-dir " + dir + " < /dev/null").exit_code, 1);
  EXPECT_EQ(Cli("check QVPREFIX --data-dir " + dir).exit_code, 0);
  EXPECT_EQ(Cli("check QVPREFEE --data-dir " + dir).exit_code, 0);
  r = Cli("import-calls /usr/share/hamradio-files/WAG_call_history.txt --json --data-dir " + dir);
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_GT(nlohmann::json::parse(r.out)["calls"].get<int>(), 3000);
  EXPECT_EQ(Cli("check QVCALL --data-dir " + dir).exit_code, 0);
  EXPECT_EQ(Cli("import-cty /nonexistent/cty.dat --data-dir " + dir).exit_code, 1);
  std::system(("rm -rf " + dir).c_str());
}

}  // namespace

// ---------------------------------------------------------------- logging contacts

namespace {

class CliLoggingTest : public CliCatalogueTest {
 protected:
  void SetUp() override {
    CliCatalogueTest::SetUp();
    ASSERT_EQ(In("new-log --name 'Nordsee 2008' --call DL1ABC --locator JO43KD --dok I38 --class 1 "
                 "--postcode-town '26129 Oldenburg'")
                  .exit_code,
              0);
  }
  nlohmann::json Json(const std::string& args, int expected_exit = 0) {
    const CliRun r = In(args + " --json");
    EXPECT_EQ(r.exit_code, expected_exit) << args << "\n" << r.out;
    return nlohmann::json::parse(r.out.empty() ? "{}" : r.out);
  }
};

TEST_F(CliLoggingTest, ContactsAreScoredAndRefusedAsInTheEntryWindow) {
  auto j = Json("add-qso 1 --call DL2XYZ --date 15.11.2008 --time 14:12 --mode SSB --rcvd2 001 --rcvd3 JO42AB "
                "--rcvd4 I23");
  EXPECT_EQ(j["saved"], true);
  EXPECT_EQ(j["serial"], 1);
  EXPECT_EQ(j["time"], "14:12:00");
  EXPECT_EQ(j["sent"], "59 001/JO43/I38");
  EXPECT_EQ(j["points"], 2);
  EXPECT_EQ(j["multiplier_1"], "JO42");
  EXPECT_EQ(j["multiplier_2"], "I23");
  // The same station on the same band and mode is refused with the rule's message.
  j = Json("add-qso 1 --call DL2XYZ/P --date 15.11.2008 --time 14:13 --mode SSB --rcvd2 002 --rcvd3 JO42AB", 1);
  EXPECT_EQ(j["saved"], false);
  EXPECT_EQ(j["error"], "Call DL2XYZ bereits auf Band/Mode vorhanden");
  // An implausible call is refused without a message of its own.
  j = Json("add-qso 1 --call DL1 --date 15.11.2008 --time 14:14 --rcvd2 003 --rcvd3 JO42AB", 1);
  EXPECT_EQ(j["saved"], false);
  // A special DOK on 70 cm.
  j = Json("add-qso 1 --call DL3ABC --date 16.11.2008 --time 09:00 --band 70cm --rcvd2 004 --rcvd3 JO52AA "
           "--rcvd4 DVI");
  EXPECT_EQ(j["serial"], 2);
  EXPECT_EQ(j["band"], "70 cm");
  EXPECT_EQ(j["points"], 12);
  j = Json("totals 1");
  // Numbers for scripts, and the dialog's texts beside them.
  EXPECT_EQ(j["qsos"], 2);
  EXPECT_EQ(j["multipliers"], 4);
  EXPECT_EQ(j["points"], 14);
  EXPECT_EQ(j["score"], 56);
  EXPECT_EQ(j["qsos_text"], "2 QSO");
  EXPECT_EQ(j["multipliers_text"], "4 Multi x");
  EXPECT_EQ(j["points_text"], "14 Punkte =");
  EXPECT_EQ(j["score_text"], "56 Pkt.");
  EXPECT_EQ(j["bands"][1]["points"], 12);
  // A recount from the contacts gives the stored totals again.
  const auto again = Json("recount 1");
  EXPECT_EQ(again["bands"], j["bands"]);
  EXPECT_EQ(In("check QVLK0001").exit_code, 0);
}

TEST_F(CliLoggingTest, CorrectionsAndDeletionsRecountAsTheListDoes) {
  Json("add-qso 1 --call DL2XYZ --date 15.11.2008 --time 14:12 --mode SSB --rcvd2 001 --rcvd3 JO42AB --rcvd4 I23");
  Json("add-qso 1 --call DL3ABC --date 15.11.2008 --time 14:20 --mode SSB --rcvd2 002 --rcvd3 JO52AA --rcvd4 DVI");
  // Only the name: rewritten, nothing to recount.
  auto j = Json("edit 1 1 --name Hans");
  EXPECT_EQ(j["rescored"], false);
  // The band: both bands are counted anew and stored.
  j = Json("edit 1 2 --band '70 cm'");
  EXPECT_EQ(j["rescored"], true);
  EXPECT_EQ(j["band"], "70 cm");
  auto t = Json("totals 1");
  EXPECT_EQ(t["bands"][0]["qsos"], 1);
  EXPECT_EQ(t["bands"][1]["qsos"], 1);
  EXPECT_EQ(t["bands"][1]["points"], 12);
  // Deleting needs --yes; contest g keeps its serial numbers.
  EXPECT_EQ(In("delete-qso 1 1").exit_code, 1);
  j = Json("delete-qso 1 1 --yes");
  EXPECT_EQ(j["deleted"], true);
  t = Json("totals 1");
  EXPECT_EQ(t["qsos"], 1);
  EXPECT_EQ(Json("edit 1 2 --name X")["serial"], 2);
  EXPECT_EQ(In("edit 1 1 --name X").exit_code, 1);  // gone
  EXPECT_EQ(In("check QVLK0001").exit_code, 0);
}

TEST_F(CliLoggingTest, UnknownLogsBandsAndDatesAreRefused) {
  EXPECT_EQ(In("add-qso 9 --call DL2XYZ").exit_code, 1);
  EXPECT_EQ(In("add-qso 1 --call DL2XYZ --band 80m").exit_code, 1);
  EXPECT_EQ(In("add-qso 1 --call DL2XYZ --date 32.11.2008").exit_code, 1);
  EXPECT_EQ(In("totals 9").exit_code, 1);
}

}  // namespace

// ---------------------------------------------------------------- outputs

namespace {

std::string ReadFile(const std::string& path) {
  std::string out;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), f)) > 0) out.append(buf.data(), n);
    std::fclose(f);
  }
  return out;
}

class CliExportTest : public CliLoggingTest {
 protected:
  void SetUp() override {
    CliLoggingTest::SetUp();
    Json("add-qso 1 --call DL2XYZ --date 15.11.2008 --time 14:12 --mode SSB --rcvd2 001 --rcvd3 JO42AB --rcvd4 I23");
    Json("add-qso 1 --call DL3ABC --date 16.11.2008 --time 09:00 --band 70cm --rcvd2 002 --rcvd3 JO52AA "
         "--rcvd4 DVI");
  }
};

TEST_F(CliExportTest, EveryKindIsWrittenWithItsCountsAndTheClockOfNow) {
  auto j = Json("export summary 1 --out " + dir_ + "/x.SUM --now '20.11.2008 10:00:00'");
  EXPECT_EQ(j["kind"], "summary");
  EXPECT_EQ(j["file"], dir_ + "/x.SUM");
  const std::string sheet = ReadFile(dir_ + "/x.SUM");
  EXPECT_EQ(j["bytes"], sheet.size());
  EXPECT_EQ(j["lines"], std::count(sheet.begin(), sheet.end(), '\n'));
  EXPECT_NE(sheet.find("     Ort: 26129 Oldenburg     Datum: 20.11.2008   Call: DL1ABC\r\n"), std::string::npos);
  EXPECT_NE(sheet.find("          Endergebnis:  14 Punkte x 4 Multi = 56 Punkte\r\n"), std::string::npos);
  EXPECT_FALSE(std::ifstream(dir_ + "/x.SUM.NEU").good());

  for (const char* kind : {"qso-list", "band-list", "multi-check", "elog", "csv"}) {
    j = Json(std::string("export ") + kind + " 1 --out " + dir_ + "/out." + kind);
    EXPECT_EQ(j["bytes"], ReadFile(dir_ + "/out." + kind).size()) << kind;
  }
  // The whole file is the sheet followed by the QSO list.
  Json("export summary 1 --out " + dir_ + "/a --now '20.11.2008 10:00:00'");
  Json("export elog 1 --out " + dir_ + "/b --now '20.11.2008 10:00:00'");
  EXPECT_EQ(ReadFile(dir_ + "/b"), ReadFile(dir_ + "/a") + ReadFile(dir_ + "/out.qso-list"));
  const std::string csv = ReadFile(dir_ + "/out.csv");
  EXPECT_EQ(csv.substr(0, 5), "DATE ");
  EXPECT_NE(csv.find("\r\n151108;14:12;DL2XYZ;2;SSB;"), std::string::npos);
}

TEST_F(CliExportTest, EnglishAndTheProposedName) {
  Json("export summary 1 --english --out " + dir_ + "/e.SUM");
  EXPECT_NE(ReadFile(dir_ + "/e.SUM").find("     Address:    "), std::string::npos);
  EXPECT_EQ(Json("export-name summary 1")["proposed_name"], "DL1ABC-Sektion A.SUM");
  EXPECT_EQ(Json("export-name multi-check 1")["proposed_name"], "DL1ABC-Sektion A-multi.txt");
}

TEST_F(CliExportTest, RefusalsWriteNothing) {
  EXPECT_EQ(In("export cabrillo 1 --out " + dir_ + "/c").exit_code, 1);
  EXPECT_EQ(In("export summary 9 --out " + dir_ + "/c").exit_code, 1);
  EXPECT_EQ(In("export summary 1 --out " + dir_ + "/c --now 2008-11-20").exit_code, 1);
  EXPECT_FALSE(std::ifstream(dir_ + "/c").good());
  const auto j = Json("export summary 1 --out " + dir_ + "/no/such/folder/x.SUM", 1);
  EXPECT_NE(j["error"].get<std::string>().find("was not written"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(CliExportTest, AdifExportAndImportIntoASecondLogGiveTheSameTotals) {
  auto j = Json("export adif 1 --rst-only --out " + dir_ + "/log.ADI");
  EXPECT_EQ(j["kind"], "adif");
  const std::string adif = ReadFile(dir_ + "/log.ADI");
  EXPECT_NE(adif.find("<RST_SENT:3>59  <RST_RCVD:3>59  <STX:12>001/JO43/I38 <SRX:14>001/JO42AB/I23"), std::string::npos);
  Json("export adif 1 --out " + dir_ + "/whole.ADI");
  EXPECT_NE(ReadFile(dir_ + "/whole.ADI").find("<RST_SENT:15>59 001/JO43/I38"), std::string::npos);

  ASSERT_EQ(In("new-log --name Back --call DL1ABC --locator JO43KD --dok I38 --class 1 "
               "--postcode-town '26129 Oldenburg'")
                .exit_code,
            0);
  j = Json("import-adif 2 " + dir_ + "/log.ADI --map-same --map GRIDSQUARE=Loc --map dok=DOK");
  EXPECT_EQ(j["records"], 2);
  EXPECT_EQ(j["tags"][0], "QSO_DATE");
  EXPECT_EQ(j["imported"], 2);
  EXPECT_EQ(j["duplicates"], 0);
  EXPECT_EQ(j["message"], "2 Datens\xC3\xA4tze importiert");
  auto first = Json("totals 1"), second = Json("totals 2");
  EXPECT_EQ(first["bands"], second["bands"]);
  EXPECT_EQ(first["score"], second["score"]);
  // Once more: every record is a duplicate now.
  j = Json("import-adif 2 " + dir_ + "/log.ADI --map-same --map GRIDSQUARE=Loc --map DOK=DOK");
  EXPECT_EQ(j["imported"], 0);
  EXPECT_EQ(j["duplicates"], 2);
  EXPECT_EQ(In("check QVLK0002").exit_code, 0);
}

TEST_F(CliExportTest, ImportRefusesMissingFilesAndUnknownMappings) {
  EXPECT_EQ(Json("import-adif 1 " + dir_ + "/none.adi", 1)["error"], "Datei existiert nicht");
  Json("export adif 1 --out " + dir_ + "/log.ADI");
  EXPECT_EQ(In("import-adif 1 " + dir_ + "/log.ADI --map CALL=NOSUCH").exit_code, 1);
  EXPECT_EQ(In("import-adif 1 " + dir_ + "/log.ADI --map NOSUCH=CALL").exit_code, 1);
  // Only the call mapped: date, time and band are the entry's own, and every
  // record is either saved or refused by the save check.
  const auto j = Json("import-adif 1 " + dir_ + "/log.ADI --map CALL=CALL --no-check");
  EXPECT_EQ(j["imported"].get<int>() + j["duplicates"].get<int>(), 2);
  EXPECT_EQ(In("check QVLK0001").exit_code, 0);
}

}  // namespace

namespace {

TEST_F(CliCatalogueTest, LogsOfOtherCodesFromTheCompanion) {
  // Codes that are none of the 44 (the suite's own modules have 0, M, W and X).
  for (const char* code : {"X", "M", "0", "gg", "m"})
    EXPECT_EQ(In(std::string("new-log --code ") + code + " --name A --class 1 --call DL1ABC").exit_code, 1) << code;
  EXPECT_EQ(nlohmann::json::parse(In("logs --all --json").out)["count"], 0);
  const CliRun five = In("new-log --code 5 --name FT --class 1 --call DL1ABC --locator JO43KD --dok I38 "
                         "--postcode-town '26129 Oldenburg' --yes --json");
  ASSERT_EQ(five.exit_code, 0) << five.out;
  const auto f = nlohmann::json::parse(five.out);
  EXPECT_EQ(f["code"], "5");
  EXPECT_EQ(f["class_name"], "Klasse A");
  const CliRun eight = In("new-log --code 8 --name AGCW --class 2 --call DL1ABC/P --locator JO43KD --dok I38 "
                          "--date-from 02.05.2009 --date-to 02.05.2009 --postcode-town '26129 Oldenburg' --yes --json");
  ASSERT_EQ(eight.exit_code, 0) << eight.out;
  const int agcw = nlohmann::json::parse(eight.out)["number"];
  ASSERT_EQ(In("new-log --name Nordsee --class 1 --call DL1ABC --locator JO43KD --dok I38 "
               "--postcode-town '26129 Oldenburg'")
                .exit_code,
            0);
  // The main window's list and the whole catalogue.
  EXPECT_EQ(nlohmann::json::parse(In("logs --json").out)["count"], 1);
  const auto all = nlohmann::json::parse(In("logs --all --json").out);
  ASSERT_EQ(all["count"], 3);
  std::set<std::string> codes;
  for (const auto& l : all["logs"]) codes.insert(l["code"].get<std::string>());
  EXPECT_EQ(codes, (std::set<std::string>{"5", "8", "g"}));

  // Logging, totals and the files of a contest-8 log with its own rules.
  const std::string n = std::to_string(agcw);
  ASSERT_EQ(In("add-qso " + n + " --call DL3ABC --date 02.05.2009 --time 10:00 --rcvd2 001 --rcvd4 JO31AA").exit_code, 0);
  ASSERT_EQ(In("add-qso " + n + " --call OE3ABC --date 02.05.2009 --time 10:10 --rcvd2 002 --rcvd4 JN88AA").exit_code, 0);
  EXPECT_EQ(In("totals " + n).exit_code, 0);
  EXPECT_EQ(In("recount " + n).exit_code, 0);
  auto j = nlohmann::json::parse(In("export edi " + n + " --out " + dir_ + "/a.EDI --edi rtrx=IC-9700 --json").out);
  EXPECT_EQ(j["kind"], "edi");
  std::ifstream edi(dir_ + "/a.EDI", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(edi)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("\r\nTDate=20090502;20090502\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nSRXEq=IC-9700\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n[QSORecords;2]\r\n090502;1000;DL3ABC;2;599;001;599;001;"), std::string::npos);
  EXPECT_EQ(In("export edi " + n + " --out " + dir_ + "/b.EDI --edi nosuch=1").exit_code, 1);
  EXPECT_EQ(nlohmann::json::parse(In("export stf " + n + " --out " + dir_ + "/a.STF --json").out)["kind"], "stf");
  // Contest g writes EDI and STF from the companion too.
  EXPECT_EQ(In("export edi 3 --out " + dir_ + "/g.EDI").exit_code, 0);
  EXPECT_EQ(In("delete-log " + n + " --yes").exit_code, 0);
  EXPECT_EQ(nlohmann::json::parse(In("logs --all --json").out)["count"], 2);
}

}  // namespace

namespace {

TEST_F(CliCatalogueTest, ARefusedNewLogLeavesNoLogBehind) {
  // No postcode and town: the setup refuses, after the class was chosen.
  const CliRun r = In("new-log --name A --class 1 --call DL1ABC --locator JO43KD --dok I38 --json");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("Angabe der Postleitzahl und des Ortes notwendig."), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(In("logs --all --json").out)["count"], 0);
  // A script that tries again with the missing value creates exactly one log.
  EXPECT_EQ(In("new-log --name A --class 1 --call DL1ABC --locator JO43KD --dok I38 --postcode-town '1 X'").exit_code,
            0);
  EXPECT_EQ(nlohmann::json::parse(In("logs --all --json").out)["count"], 1);
}

}  // namespace

// ---------------------------------------------------------------- several companions, damage, scripts

#include <filesystem>

namespace {

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Four companions logging into one log at the same time: every contact
// reported saved is in the log once, with a serial number of its own, and
// the files check clean afterwards.
TEST_F(CliLoggingTest, FourCompanionsAtOnceLoseNoContact) {
  constexpr int kWriters = 4, kEach = 12;
  std::string script;
  for (int w = 1; w <= kWriters; ++w) {
    script += "( for i in $(seq 10 " + std::to_string(9 + kEach) + "); do " + std::string(VEK_CLI_PATH) +
              " --data-dir " + dir_ + " add-qso 1 --call DL" + std::to_string(w) + "A$(printf \\\\$(printf %o $((55+i))))" +
              " --date 15.11.2008 --time 14:$i --mode SSB --rcvd2 0$i --rcvd3 JO42AB --json 2>/dev/null; done > " +
              dir_ + "/out" + std::to_string(w) + " ) & ";
  }
  script += "wait";
  ASSERT_EQ(std::system(("bash -c '" + script + "'").c_str()), 0);
  std::set<int> serials;
  std::set<std::string> calls;
  int saved = 0;
  for (int w = 1; w <= kWriters; ++w) {
    std::ifstream in(dir_ + "/out" + std::to_string(w));
    for (std::string line; std::getline(in, line);) {
      const auto j = nlohmann::json::parse(line);
      ASSERT_EQ(j["saved"], true) << line;
      ++saved;
      EXPECT_TRUE(serials.insert(j["serial"].get<int>()).second) << line;
      EXPECT_TRUE(calls.insert(j["call"].get<std::string>()).second) << line;
      // The serial the station gave is the one the log keeps.
      const int serial = j["serial"].get<int>();
      EXPECT_EQ(j["sent"].get<std::string>().substr(3, 3), (serial < 10 ? "00" : "0") + std::to_string(serial))
          << line;
    }
  }
  EXPECT_EQ(saved, kWriters * kEach);
  EXPECT_EQ(*serials.rbegin(), saved);
  const auto check = Json("check QVLK0001");
  EXPECT_EQ(check["clean"], true);
  EXPECT_EQ(check["records_in_use"], saved);
  EXPECT_EQ(Json("check QVKK")["clean"], true);
  EXPECT_EQ(Json("totals 1")["qsos"], saved);
  EXPECT_EQ(Json("logs")["count"], 1);
}

// The last byte of the only catalogue record is cut off: the record is not
// silently gone - its bytes are in the report, the file as it was is kept,
// and the command fails saying so.
// The partner panel's questions from the command line: a list copied in,
// a log typed, the matches with what that log worked, and the history.
TEST_F(CliLoggingTest, PartialAndHistoryAnswerFromTheListsAndTheLogs) {
  const std::string scp = dir_ + "/calls.txt";
  std::ofstream(scp) << "# list\nDL2XYA\nDL2XYZ\nOE/DL2XY\n";
  auto j = Json("import-scp " + scp);
  EXPECT_EQ(j["calls"], 3);
  // A file without calls does not replace the list.
  std::ofstream(dir_ + "/empty.txt") << "# nothing\n";
  EXPECT_EQ(In("import-scp " + dir_ + "/empty.txt").exit_code, 1);
  ASSERT_EQ(Json("add-qso 1 --call DL2XYZ --date 15.11.2008 --time 14:12 --rcvd2 001 --rcvd3 JO42AB --rcvd4 I23")["saved"],
            true);
  j = Json("partial dl2xy --log 1");
  ASSERT_EQ(j["matches"].size(), 3u);
  EXPECT_EQ(j["matches"][0]["call"], "DL2XYA");
  EXPECT_EQ(j["matches"][0]["worked"].size(), 0u);
  EXPECT_EQ(j["matches"][1]["call"], "DL2XYZ");
  EXPECT_EQ(j["matches"][1]["worked"][0], "2m");
  EXPECT_EQ(j["matches"][1]["locator"], "JO42AB");
  EXPECT_EQ(j["matches"][1]["dok"], "I23");
  EXPECT_EQ(j["matches"][2]["call"], "OE/DL2XY");
  EXPECT_EQ(Json("partial XY --log 7", 1)["error"], "there is no log 7 in this folder");
  j = Json("history DL2XYZ/P");
  EXPECT_EQ(j["call"], "DL2XYZ");
  EXPECT_EQ(j["locator"], "JO42AB");
  EXPECT_EQ(j["locator_date"], "15.11.2008");
  EXPECT_EQ(j["dok"], "I23");
  EXPECT_EQ(j["sources"], nlohmann::json::parse(R"(["scp","call_book","logs"])"));
  j = Json("history DL9ZZZ", 1);
  EXPECT_EQ(j["error"], "nothing is known of DL9ZZZ");
}

// The transceiver and the rotator: Hamlib's dummy in the process, rigctld
// and rotctld on a free port, and nothing saved.
TEST_F(CliLoggingTest, RigAndRotateAnswerFromHamlibsDummiesAndDaemons) {
  auto j = Json("rig", 1);
  EXPECT_NE(j["error"].get<std::string>().find("no transceiver"), std::string::npos);
  j = Json("rig --model 1");
  EXPECT_EQ(j["model"], 1);
  EXPECT_GT(j["frequency_hz"].get<double>(), 0);
  EXPECT_FALSE(j["mode"].get<std::string>().empty());
  const int rig_port = vek::rig::testing::FreePort(), rot_port = vek::rig::testing::FreePort();
  vek::rig::testing::Daemon rigctld("rigctld", rig_port), rotctld("rotctld", rot_port);
  ASSERT_TRUE(rigctld.running());
  ASSERT_TRUE(rotctld.running());
  j = Json("rig --host 127.0.0.1:" + std::to_string(rig_port));
  EXPECT_EQ(j["model"], 2);
  EXPECT_EQ(j["frequency_hz"], 145000000.0);
  EXPECT_EQ(j["band_code"], "k");
  j = Json("rotate --to 12 --wait --host 127.0.0.1:" + std::to_string(rot_port));
  EXPECT_EQ(j["target_deg"], 12.0);
  EXPECT_NEAR(j["azimuth_deg"].get<double>(), 12.0, 1.0);
  EXPECT_EQ(Json("rotate --to 400 --model 1", 1)["error"], "--to takes 0 to 360 degrees");
  // A daemon that is not there: a clear error, exit 1.
  j = Json("rig --host 127.0.0.1:" + std::to_string(vek::rig::testing::FreePort()), 1);
  EXPECT_FALSE(j["error"].get<std::string>().empty());
}

// The figures of a typed log: its hours from the period's start, the rates
// at the last contact, ODX, squares and DOKs per band.
TEST_F(CliLoggingTest, StatsShowsHowTheTypedContestWent) {
  for (const char* qso : {"--call DL2XYZ --time 09:05 --rcvd2 001 --rcvd3 JO42AB --rcvd4 I23",
                          "--call DL3AAA --time 09:40 --rcvd2 002 --rcvd3 JO62MM --rcvd4 D01",
                          "--call DL4BBB --time 09:50 --rcvd2 003 --rcvd3 JO62AA --rcvd4 D01"})
    ASSERT_EQ(Json(std::string("add-qso 1 --date 15.11.2008 ") + qso)["saved"], true) << qso;
  const auto j = Json("stats 1");
  // The period starts at 08:30: the contacts lie in its first and second hours.
  const auto& hours = j["qsos_per_hour"];
  ASSERT_GE(hours.size(), 33u);  // 15.11. 08:30 to 16.11. 17:00, begun hours
  EXPECT_EQ(hours[0]["hour"], "15.11.2008 08:30");
  EXPECT_EQ(hours[0]["band"], "all");
  EXPECT_EQ(hours[0]["qsos"], 1);
  EXPECT_EQ(hours[1]["band"], "2m");
  EXPECT_EQ(hours[2]["hour"], "15.11.2008 09:30");
  EXPECT_EQ(hours[2]["qsos"], 2);
  EXPECT_EQ(j["best_hour"]["hour"], "15.11.2008 09:30");
  EXPECT_EQ(j["best_hour"]["qsos"], 2);
  // At 09:50: one contact in the ten minutes before (09:40 is ten minutes back), three in the hour.
  EXPECT_EQ(j["rate_10min"], 6);
  EXPECT_EQ(j["rate_60min"], 3);
  ASSERT_EQ(j["odx"].size(), 1u);
  EXPECT_EQ(j["odx"][0]["band"], "2m");
  EXPECT_EQ(j["odx"][0]["call"], "DL3AAA");  // JO62MM lies further than JO62AA
  EXPECT_GT(j["odx"][0]["distance_km"].get<int>(), 250);
  EXPECT_EQ(j["squares"]["2m"], 2);
  EXPECT_EQ(j["squares"]["all"], 2);
  EXPECT_EQ(j["doks"]["2m"], 2);
  EXPECT_EQ(Json("stats 9", 1)["error"], "there is no log 9 in this folder");
}

TEST_F(CliLoggingTest, ACutRecordFileKeepsItsBytesAndTheCommandSaysSo) {
  const std::string original = ReadBytes(dir_ + "/QVKK.DAT");
  std::filesystem::resize_file(dir_ + "/QVKK.DAT", original.size() - 1);
  const auto j = Json("logs", 1);
  ASSERT_TRUE(j.contains("repairs")) << j.dump();
  EXPECT_NE(j["repairs"][0].get<std::string>().find("QVKK.MSG"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir_ + "/QVKK.BAK"), original.substr(0, original.size() - 1));
  const std::string report = ReadBytes(dir_ + "/QVKK.MSG");
  EXPECT_NE(report.find("cut short"), std::string::npos);
  EXPECT_NE(report.find(original.substr(original.size() - 379 + 4, 40)), std::string::npos);

  // A record length that cannot be: a serious failure, its number, exit 1.
  std::ofstream(dir_ + "/QVKK.DAT", std::ios::binary) << original;
  ASSERT_EQ(Json("logs")["count"], 1);
  std::fstream f(dir_ + "/QVKZ.DAT", std::ios::in | std::ios::out | std::ios::binary);
  f.seekp(12);
  f.put('\x10');
  f.close();
  const auto k = Json("totals 1", 1);
  EXPECT_EQ(k["error_number"], 10020) << k.dump();
  EXPECT_NE(k["error"].get<std::string>().find("QVKZ"), std::string::npos);
}

TEST_F(CliCatalogueTest, ImportCallsRefusesWhatIsNoCallListAndKeepsTheOldOne) {
  {
    std::ofstream(dir_ + "/calls.txt") << "DL1ABC,I38\nDK2XX,B01\nOE3ZZ\n";
    std::ofstream(dir_ + "/empty.txt");
    std::ofstream bin(dir_ + "/noise.bin", std::ios::binary);
    for (int i = 0; i < 100000; ++i) bin.put(static_cast<char>((i * 7919) % 256));
  }
  ASSERT_EQ(In("import-calls " + dir_ + "/calls.txt").exit_code, 0);
  for (const std::string input : {"empty.txt", "noise.bin", "."}) {
    const CliRun r = In("import-calls " + dir_ + "/" + input + " --json");
    EXPECT_EQ(r.exit_code, 1) << input;
    EXPECT_NE(r.out.find("\"error\":"), std::string::npos) << input;
  }
  EXPECT_EQ(In("import-cty " + dir_ + "/noise.bin").exit_code, 1);
  const auto check = nlohmann::json::parse(In("check QVCALL --json").out);
  EXPECT_EQ(check["records_in_use"], 3);
  EXPECT_EQ(check["clean"], true);
}

TEST_F(CliCatalogueTest, NewLogRefusesWhatCannotBeACallALocatorOrADokAndLeavesNoLog) {
  for (const std::string bad : {"--call $'DL1\\x01ABC'", "--call 'DL1 ABC'", "--locator JO4", "--locator XX99ZZ",
                                "--dok $'I3\\x7f'", "--name $'A\\tB'"}) {
    const std::string args = "new-log --name A --class 1 --call DL1ABC --locator JO43KD --dok I38 "
                             "--postcode-town '1 X' " + bad + " --json";
    const CliRun r = Cli("bash -c \"" + std::string(VEK_CLI_PATH) + " " + args + " --data-dir " + dir_ + "\"", true);
    EXPECT_EQ(r.exit_code, 1) << bad;
    EXPECT_NE(r.out.find("\"error\":"), std::string::npos) << bad << ": " << r.out;
  }
  EXPECT_EQ(nlohmann::json::parse(In("logs --json").out)["count"], 0);
  const CliRun r = In("prefix ZZZ9 --json");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("\"error\":"), std::string::npos);
}

TEST(CliTest, ArgumentErrorsExitOneWithAnErrorKey) {
  for (const std::string args : {"totals 2147483648", "contest g --class x", "band -inf", "frobnicate",
                                 "locator JO62MM --data-dir /nonexistent/x"}) {
    const CliRun r = Cli(args + " --json");
    EXPECT_EQ(r.exit_code, 1) << args;
    EXPECT_NE(r.out.find("\"error\":"), std::string::npos) << args << ": " << r.out;
  }
  const CliRun r = Cli("contest g --extra " + std::string(5000, 'x') + " --json");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_LT(r.out.size(), 400u);
  EXPECT_EQ(Cli("--help").exit_code, 0);
}

}  // namespace
