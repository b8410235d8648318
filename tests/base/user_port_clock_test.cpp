#include <gtest/gtest.h>

#include "base/clock.h"
#include "base/scripted_user_port.h"

namespace vek {
namespace {

TEST(ScriptedUserPortTest, AnswersFromTheQueueThenTheDefault) {
  ScriptedUserPort port;
  port.QueueAnswer(true);
  port.QueueAnswer(false);
  EXPECT_TRUE(port.AskYesNo("Programm beenden?", "Frage"));
  EXPECT_FALSE(port.AskYesNo("Sicher?"));
  EXPECT_EQ(port.UnscriptedAnswers(), 0);
  port.SetDefaultAnswer(true);
  EXPECT_TRUE(port.AskYesNo("Noch einmal?"));
  EXPECT_EQ(port.UnscriptedAnswers(), 1);
  EXPECT_EQ(port.Questions(), (std::vector<Text>{"Programm beenden?", "Sicher?", "Noch einmal?"}));
  EXPECT_EQ(port.events()[0].caption, "Frage");
}

TEST(ScriptedUserPortTest, RecordsMessagesBeepsAndProgressInOrder) {
  ScriptedUserPort port;
  std::vector<ScriptedUserPort::Kind> echoed;
  port.SetEcho([&](const ScriptedUserPort::Event& e) { echoed.push_back(e.kind); });
  port.Inform("Doppel-QSO");
  port.Beep();
  port.ProgressBegin("Umnummerieren", 10);
  port.ProgressStep(5);
  port.ProgressEnd();
  EXPECT_EQ(port.Messages(), std::vector<Text>{"Doppel-QSO"});
  EXPECT_EQ(port.BeepCount(), 1);
  ASSERT_EQ(echoed.size(), 5u);
  EXPECT_EQ(echoed[2], ScriptedUserPort::Kind::kProgressBegin);
  EXPECT_EQ(port.events()[3].value, 5);
  port.Clear();
  EXPECT_TRUE(port.events().empty());
}

TEST(ScriptedUserPortTest, ChoicesOutOfRangeCountAsCancelled) {
  ScriptedUserPort port;
  const std::vector<Text> entries = {"DL", "OE", "HB9"};
  port.QueueChoice(2);
  port.QueueChoice(7);
  EXPECT_EQ(port.Choose("Prefix", entries, 0), 2);
  EXPECT_EQ(port.Choose("Prefix", entries, 0), -1);
  EXPECT_EQ(port.Choose("Prefix", entries, 1), -1);  // default: cancel
  port.SetDefaultChoice(ScriptedUserPort::kTakePreselected);
  EXPECT_EQ(port.Choose("Prefix", entries, 1), 1);
}

TEST(ClockTest, ManualClockGivesDayNumberAndSecondOfDay) {
  ManualClock clock(UtcInstant{*DayNumberFromDate(2008, 11, 15), 23 * 3600 + 59 * 60 + 59});
  EXPECT_EQ(clock.NowUtc().second, 86399);
  clock.Advance(std::chrono::seconds(1));
  EXPECT_EQ(clock.NowUtc(), (UtcInstant{*DayNumberFromDate(2008, 11, 16), 0}));
  clock.Set(UtcInstant{0, 0});
  EXPECT_EQ(clock.NowUtc().day, 0);
}

TEST(ClockTest, SystemClockAgreesWithTheCalendar) {
  SystemClock clock;
  const UtcInstant now = clock.NowUtc();
  EXPECT_GT(now.day, *DayNumberFromDate(2020, 1, 1));
  EXPECT_GE(now.second, 0);
  EXPECT_LT(now.second, kSecondsPerDay);
}

}  // namespace
}  // namespace vek
