// How the companion waits for a file another program holds.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "app/cli_output.h"

namespace vek::cli {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(CliWaitTest, EachWaitGetsHalfAMinuteAndOneNote) {
  Trouble() = StoreTrouble{};
  auto t = std::chrono::steady_clock::time_point{};
  std::ostringstream notes;
  const store::LockQuestionRoutine answer = WaitingAnswer([&] { return t; }, notes);
  auto ask_for = [&](std::chrono::steady_clock::duration how_long) {
    // The store asks about every 1.9 s while the other program holds on.
    const auto end = t + how_long;
    bool going_on = true;
    for (; going_on && t <= end; t += milliseconds(1900))
      going_on = answer("QVPREFEE", store::LockQuestion::kLocked);
    return going_on;
  };

  EXPECT_TRUE(ask_for(seconds(20)));
  EXPECT_EQ(notes.str(), "note: QVPREFEE is held by another program; waiting\n");
  // A later wait, long after the first began, is a wait of its own.
  t += seconds(60);
  EXPECT_TRUE(ask_for(seconds(20)));
  EXPECT_EQ(notes.str(),
            "note: QVPREFEE is held by another program; waiting\n"
            "note: QVPREFEE is held by another program; waiting\n");
  // Within a wait, a file of another name is noted once.
  EXPECT_TRUE(answer("QVPREFIX", store::LockQuestion::kLocked));
  EXPECT_TRUE(answer("QVPREFIX", store::LockQuestion::kLocked));
  EXPECT_EQ(notes.str(),
            "note: QVPREFEE is held by another program; waiting\n"
            "note: QVPREFEE is held by another program; waiting\n"
            "note: QVPREFIX is held by another program; waiting\n");
  // One wait that goes on past half a minute is given up, and fails the
  // command with the held file as its cause, whatever it then fails on.
  EXPECT_FALSE(Trouble().Serious());
  t += seconds(60);
  const auto third = t;
  EXPECT_FALSE(ask_for(seconds(40)));
  EXPECT_GE(t - third, seconds(30));
  EXPECT_LT(t - third, seconds(30) + 2 * milliseconds(1900));  // given up at the first question past it
  EXPECT_EQ(Trouble().given_up, "QVPREFEE");
  // Another file after the wait was given up is given up on at once, with
  // no note of waiting, and the first one given up on stays the cause.
  EXPECT_FALSE(answer("QVPREFIX", store::LockQuestion::kLocked));
  EXPECT_EQ(Trouble().given_up, "QVPREFEE");
  EXPECT_TRUE(Trouble().Serious());
  std::ostringstream printed;
  Output out(true);
  testing::internal::CaptureStderr();
  EXPECT_EQ(out.Fail("no prefix of the prefix table matches G4ABC"), 1);
  out.Print(printed);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed.str(),
            "{\"error\":\"QVPREFEE is held by another program; gave up after half a minute\"}\n");
  Trouble() = StoreTrouble{};

  // A folder that is not there is not waited for.
  EXPECT_FALSE(answer("QVLK0001", store::LockQuestion::kPathNotFound));
  EXPECT_EQ(notes.str(),
            "note: QVPREFEE is held by another program; waiting\n"
            "note: QVPREFEE is held by another program; waiting\n"
            "note: QVPREFIX is held by another program; waiting\n"
            "note: QVPREFEE is held by another program; waiting\n");

  // Creating files and rebuilding an index are always agreed to, and are no wait.
  std::ostringstream quiet;
  const store::LockQuestionRoutine other = WaitingAnswer([&] { return t; }, quiet);
  EXPECT_TRUE(other("QVLK0001", store::LockQuestion::kCreateFiles));
  EXPECT_TRUE(other("QVLK0001", store::LockQuestion::kRebuildIndex));
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace vek::cli
