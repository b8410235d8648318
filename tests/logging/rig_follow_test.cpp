// The entry session following the rig: the band while no call is typed,
// the contest's mode for the rig's, and the frequency of the saved contact.
#include "entry_session_fixture.h"

namespace vek {
namespace {

TEST_F(EntrySessionTest, TheRigMovesAnEmptyEntryToItsBandButNotOneWithACallTyped) {
  EntrySession& s = Open(Context());
  ASSERT_EQ(s.band(), 'k');
  // 432.2 MHz on 70 cm: the empty entry follows, as F8 would take it.
  EXPECT_TRUE(s.FollowRig(432.2e6, "USB"));
  EXPECT_EQ(s.band(), 'l');
  EXPECT_EQ(s.mode(), "SSB");
  EXPECT_FALSE(s.FollowRig(432.2e6, "USB"));  // nothing new
  // With a call typed, the rig moving to 2 m changes nothing.
  s.Type(F::eCall, "DL2XYZ");
  EXPECT_FALSE(s.FollowRig(144.3e6, "CW"));
  EXPECT_EQ(s.band(), 'l');
  EXPECT_EQ(s.mode(), "SSB");
  s.Escape();
  // A band the contest does not have (10 m) and a mode it does not have (FM)
  // are never forced on the log.
  EXPECT_FALSE(s.FollowRig(28.4e6, "FM"));
  EXPECT_EQ(s.band(), 'l');
  EXPECT_EQ(s.mode(), "SSB");
  EXPECT_TRUE(s.FollowRig(1296.2e6, "CWR"));
  EXPECT_EQ(s.band(), 'm');
  EXPECT_EQ(s.mode(), "CW");
}

TEST_F(EntrySessionTest, TheSavedContactCarriesTheRigsFrequencyUnlessOneWasTyped) {
  EntrySession& s = Open(Context());
  s.FollowRig(144.3055e6, "CW");
  Contact("DL2XYZ", "001", "JO42AB", "F11");
  ASSERT_EQ(s.saves(), 1);
  EXPECT_FLOAT_EQ(GetF32(s.last_saved(), qso::kFreqMHz.offset), 144.3055f);
  // Typed: the operator's frequency counts.
  s.Type(F::eFreq, "144.390");
  Contact("DL3AAA", "002", "JO42AC", "F12");
  ASSERT_EQ(s.saves(), 2);
  EXPECT_FLOAT_EQ(GetF32(s.last_saved(), qso::kFreqMHz.offset), 144.39f);
  // The rig on another band than the contact's: no frequency from it.
  s.Type(F::eCall, "DL4BBB");
  s.FollowRig(432.2e6, "CW");
  EXPECT_EQ(s.band(), 'k');
  s.Enter();
  Fields({{F::eRSTr2, "003"}, {F::eRSTr3, "JO42AD"}, {F::eRSTr4, "F13"}});
  ASSERT_EQ(s.saves(), 3);
  EXPECT_NE(GetF32(s.last_saved(), qso::kFreqMHz.offset), 432.2f);
}

TEST(RigModeTest, TheRigsModesMapToTheContestsModes) {
  const std::vector<Text> g = {"CW", "SSB"};
  EXPECT_EQ(ContestModeOfRig("USB", g), "SSB");
  EXPECT_EQ(ContestModeOfRig("LSB", g), "SSB");
  EXPECT_EQ(ContestModeOfRig("CWR", g), "CW");
  EXPECT_EQ(ContestModeOfRig("FM", g), "");
  EXPECT_EQ(ContestModeOfRig("PKTUSB", g), "");
  const std::vector<Text> wide = {"CW", "SSB", "FM", "DIGI"};
  EXPECT_EQ(ContestModeOfRig("FM", wide), "FM");
  EXPECT_EQ(ContestModeOfRig("PKTUSB", wide), "DIGI");
  EXPECT_EQ(ContestModeOfRig("RTTY", wide), "DIGI");
  EXPECT_EQ(ContestModeOfRig("", wide), "");
}

}  // namespace
}  // namespace vek
