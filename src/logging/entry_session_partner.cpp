// The entry session's use of the known calls: the partner panel's matches
// and history, the exchange filled from the history, the live distance.
#include <cmath>

#include "logging/entry_session.h"
#include "logging/entry_session_internal.h"
#include "logging/qso_record.h"
#include "logging/scoring.h"
#include "refdata/locator.h"

namespace vek {

using namespace entry_detail;

namespace {

// The received field that carries a kind; kCount when none does.
F ReceivedFieldOf(const ContestDefinition& d, std::initializer_list<int> wanted) {
  const std::int32_t kinds[3] = {d.RcvdKind1, d.RcvdKind2, d.RcvdKind3};
  const F* row = d.SentFieldsShown ? kSentRow : kRcvdRow;
  for (int i = 0; i < 3; ++i)
    for (int w : wanted)
      if (kinds[i] == w) return row[i + 1];
  return F::kCount;
}

}  // namespace

F EntrySession::LocatorField() const { return ReceivedFieldOf(ctx_.definition, {5, 6}); }
F EntrySession::DokField() const { return ReceivedFieldOf(ctx_.definition, {4}); }

std::vector<PartialMatch> EntrySession::PartnerMatches(std::size_t limit) const {
  if (!known_) return {};
  return known_->Partial(field(F::eCall).text, band_, limit);
}

const KnownCall* EntrySession::PartnerHistory() const {
  const Text call = TrimBlanks(field(F::eCall).text);
  if (!known_ || call.size() < 2) return nullptr;
  return known_->Find(call, Suffixes());
}

// Only empty fields are filled: what the operator typed is his.
void EntrySession::PrefillFromHistory() {
  const KnownCall* known = PartnerHistory();
  if (!known) return;
  bool changed = false;
  const auto fill = [&](F id, const Text& value, std::size_t width) {
    if (id == F::kCount || value.empty() || !field(id).visible || !TrimBlanks(field(id).text).empty()) return;
    Mut(id).text = Cut(value, std::min(width, field(id).max_length));
    from_history_[static_cast<std::size_t>(id)] = true;
    changed = true;
  };
  fill(LocatorField(), known->locator, 6);
  // A DOK belongs to a German station; ApplyReceivedKind drops it for others.
  if (IsGermanCall()) fill(DokField(), known->dok, 8);
  if (!changed) return;
  FormToRecord();
  EvaluateEntryMultipliers();
  RecordToForm();
}

std::optional<EntrySession::LiveQrb> EntrySession::LiveDistance() const {
  const F id = LocatorField();
  if (id == F::kCount || !totals_) return std::nullopt;
  const Text locator = TrimBlanks(field(id).text);
  if ((locator.size() != 4 && locator.size() != 6) || !IsLocatorValid(locator)) return std::nullopt;
  Qrb q;
  if (!LocatorDistance(ctx_.station.own_locator, locator, q)) return std::nullopt;
  LiveQrb live;
  live.km = StoredDistance(q.km);
  live.bearing = static_cast<int>(std::lround(q.bearing)) % 360;
  // The points as the save would give them, from the record as it stands
  // with this locator in it.
  std::vector<std::uint8_t> copy(record().begin(), record().end());
  PutText(copy, qso::kLocator, locator);
  PutI32(copy, qso::kQrbKm.offset, live.km);
  live.points = QsoPoints(copy, totals_->context());
  return live;
}

}  // namespace vek
