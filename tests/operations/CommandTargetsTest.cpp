#include "operations/CommandTargets.h"

#include <gtest/gtest.h>

using namespace Korvane;

TEST(CommandTargets, EachRuleNamesWhatIsMissing) {
    EXPECT_EQ(CCommandTargets::Check(TargetRule::Selection, 0), 10001);
    EXPECT_EQ(CCommandTargets::Check(TargetRule::Selection, 3), TARGETS_OK);
    EXPECT_EQ(CCommandTargets::Check(TargetRule::One, 0), 10001);
    EXPECT_EQ(CCommandTargets::Check(TargetRule::One, 2), 10003);
    EXPECT_EQ(CCommandTargets::Check(TargetRule::One, 1), TARGETS_OK);
    EXPECT_EQ(CCommandTargets::Check(TargetRule::All, 0), TARGETS_SILENT) << "an empty group says nothing";
    EXPECT_EQ(CCommandTargets::Check(TargetRule::All, 5), TARGETS_OK);
}
