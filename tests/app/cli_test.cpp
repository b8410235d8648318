// Runs the real vekcontest-cli binary as a script would.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace {

struct CliRun {
  int exit_code = -1;
  std::string out;
};

CliRun Cli(const std::string& args) {
  CliRun r;
  const std::string command = std::string(VEK_CLI_PATH) + " " + args + " 2>/dev/null";
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
