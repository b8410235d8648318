// A log of contest g on the in-memory file system, with a small country
// file, a scripted operator and a clock that stands still.
#pragma once

#include <gtest/gtest.h>

#include "base/cp1252.h"
#include "base/scripted_user_port.h"
#include "catalogue/catalogue_records.h"
#include "logging/entry_session.h"
#include "logging/qso_record.h"
#include "refdata/cty_import.h"
#include "memory_store.h"
#include "store/memory_file_system.h"

namespace vek {

using F = EntryFieldId;

class EntrySessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartMemoryStore(fs_, fm_, files_);
    clock_.Set(UtcInstant{*DayNumberFromDate(2008, 11, 15), 14 * 3600 + 12 * 60});
    // A small country file: the calls of these tests all have a country.
    const std::string cty =
        "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
        "    DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR;\n"
        "Austria:                  15:  28:  EU:   47.33:   -13.33:    -1.0:  OE:\n"
        "    OE;\n"
        "Netherlands:              14:  27:  EU:   52.28:    -5.47:    -1.0:  PA:\n"
        "    PA,PB,PC,PD,PE,PF,PG,PH,PI;\n";
    CtyImportCounts counts;
    ASSERT_TRUE(ImportCty(*files_, ParseCtyDat(cty), {}, counts));
  }

  // A fresh machine for the next case of a table.
  void Reset() {
    session_.reset();
    files_.reset();
    fm_.reset();
    fs_ = store::MemoryFileSystem();
    port_.Clear();
    SetUp();
  }

  EntryContext Context(char code = 'g', int class_number = 1) {
    EntryContext c;
    c.files = files_.get();
    c.port = &port_;
    c.clock = &clock_;
    c.contest_code = code;
    DefinitionInputs in;
    in.ContestCode = code;
    in.ClassNumber = class_number;
    in.OwnLocator = "JO43KD";
    in.OwnDok = "I38";
    in.DateFrom = *DayNumberFromDate(2008, 11, 15);
    c.definition = BuildContestDefinition(in);
    c.definition_inputs = in;
    c.log.log_number = 3;
    c.log.log_name = "Nordsee 2008";
    c.log.own_dok = "I38";
    c.log.class_number = class_number;
    c.station.own_locator = "JO43KD";
    c.station.utc_offset = 0;
    return c;
  }

  EntrySession& Open(EntryContext c) {
    session_ = std::make_unique<EntrySession>(std::move(c));
    EXPECT_TRUE(session_->Open());
    session_->ClockTick();
    return *session_;
  }

  // Types the texts into the fields in turn, each followed by Enter.
  void Fields(std::initializer_list<std::pair<F, const char*>> typed) {
    for (const auto& [id, text] : typed) {
      EXPECT_EQ(session_->focus(), id) << EntryFieldName(id);
      session_->Type(id, text);
      session_->Enter();
    }
  }
  void Contact(const char* call, const char* serial, const char* locator, const char* dok) {
    Fields({{F::eCall, call}, {F::eRSTr2, serial}, {F::eRSTr3, locator}, {F::eRSTr4, dok}});
  }
  Text Saved(const FieldSpec& f) const { return GetText(session_->last_saved(), f); }

  store::MemoryFileSystem fs_;
  std::unique_ptr<store::FileManager> fm_;
  std::unique_ptr<SuiteFiles> files_;
  ScriptedUserPort port_;
  ManualClock clock_;
  std::unique_ptr<EntrySession> session_;
};


}  // namespace vek
