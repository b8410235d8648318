#include "base/scripted_user_port.h"

namespace vek {

void ScriptedUserPort::Record(Event e) {
  events_.push_back(std::move(e));
  if (echo_) echo_(events_.back());
}

void ScriptedUserPort::Inform(std::string_view message, std::string_view caption) {
  Record({Kind::kInform, Text(message), Text(caption)});
}

bool ScriptedUserPort::AskYesNo(std::string_view question, std::string_view caption) {
  bool answer = default_answer_;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  } else {
    ++unscripted_;
  }
  Record({Kind::kQuestion, Text(question), Text(caption), answer ? 1 : 0});
  return answer;
}

void ScriptedUserPort::Beep() { Record({Kind::kBeep, {}, {}}); }

int ScriptedUserPort::Choose(std::string_view caption, const std::vector<Text>& entries, int preselected) {
  int choice = default_choice_;
  if (!choices_.empty()) {
    choice = choices_.front();
    choices_.pop_front();
  } else {
    ++unscripted_;
    if (choice == kTakePreselected) choice = preselected;
  }
  if (choice < -1 || choice >= static_cast<int>(entries.size())) choice = -1;
  Text listing;
  for (const Text& e : entries) listing += e + "\n";
  Record({Kind::kChoice, listing, Text(caption), choice});
  return choice;
}

void ScriptedUserPort::ProgressBegin(std::string_view caption, int total) {
  Record({Kind::kProgressBegin, {}, Text(caption), total});
}
void ScriptedUserPort::ProgressStep(int done) { Record({Kind::kProgressStep, {}, {}, done}); }
void ScriptedUserPort::ProgressEnd() { Record({Kind::kProgressEnd, {}, {}}); }

std::vector<Text> ScriptedUserPort::Messages() const {
  std::vector<Text> out;
  for (const Event& e : events_)
    if (e.kind == Kind::kInform) out.push_back(e.text);
  return out;
}

std::vector<Text> ScriptedUserPort::Questions() const {
  std::vector<Text> out;
  for (const Event& e : events_)
    if (e.kind == Kind::kQuestion) out.push_back(e.text);
  return out;
}

int ScriptedUserPort::BeepCount() const {
  int n = 0;
  for (const Event& e : events_) n += e.kind == Kind::kBeep;
  return n;
}

void ScriptedUserPort::Clear() {
  events_.clear();
  unscripted_ = 0;
}

}  // namespace vek
