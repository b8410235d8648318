// A UserPort that answers from queues and remembers everything it was told.
// Tests use it to drive models; the command-line companion uses it to answer
// questions from its flags and to print what was said.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "base/user_port.h"

namespace vek {

class ScriptedUserPort : public UserPort {
 public:
  enum class Kind { kInform, kQuestion, kBeep, kChoice, kProgressBegin, kProgressStep, kProgressEnd };
  struct Event {
    Kind kind;
    Text text;
    Text caption;
    int value = 0;  // answer given, index chosen, progress count
  };

  // Answers are taken in order; once a queue is empty the default answers.
  void QueueAnswer(bool yes) { answers_.push_back(yes); }
  void QueueChoice(int index) { choices_.push_back(index); }
  void SetDefaultAnswer(bool yes) { default_answer_ = yes; }
  // kTakePreselected answers an unscripted choice like Enter on the list.
  static constexpr int kTakePreselected = -2;
  void SetDefaultChoice(int index) { default_choice_ = index; }
  // Called with every event as it happens (the CLI prints them).
  void SetEcho(std::function<void(const Event&)> echo) { echo_ = std::move(echo); }

  void Inform(std::string_view message, std::string_view caption = {}) override;
  bool AskYesNo(std::string_view question, std::string_view caption = {}) override;
  void Beep() override;
  int Choose(std::string_view caption, const std::vector<Text>& entries, int preselected) override;
  void ProgressBegin(std::string_view caption, int total) override;
  void ProgressStep(int done) override;
  void ProgressEnd() override;

  const std::vector<Event>& events() const { return events_; }
  std::vector<Text> Messages() const;   // texts of the information boxes
  std::vector<Text> Questions() const;  // texts of the questions asked
  int BeepCount() const;
  // Questions answered by the default because the queue was empty.
  int UnscriptedAnswers() const { return unscripted_; }
  void Clear();

 private:
  void Record(Event e);

  std::deque<bool> answers_;
  std::deque<int> choices_;
  bool default_answer_ = false;
  int default_choice_ = -1;
  int unscripted_ = 0;
  std::vector<Event> events_;
  std::function<void(const Event&)> echo_;
};

}  // namespace vek
