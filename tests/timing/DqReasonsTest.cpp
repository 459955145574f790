#include "timing/DqReasons.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;

TEST(DqReasons, LoadSelectsTheFirstLineAndAnEmptyListNone) {
    DqReasons reasons;
    EXPECT_EQ(reasons.Selected(), -1);
    EXPECT_EQ(reasons.SelectedText(), "");
    reasons.Load({"Falscher Kurs", "..."});
    EXPECT_EQ(reasons.Selected(), 0);
    EXPECT_EQ(reasons.SelectedText(), "Falscher Kurs");
}

TEST(DqReasons, OnlyTheLastLineOpensTheFreeTextField) {
    DqReasons reasons;
    reasons.Load({"A", "B", "..."});
    reasons.Click(1);
    EXPECT_EQ(reasons.SelectedText(), "B");
    EXPECT_FALSE(reasons.FieldVisible());
    reasons.Click(7);
    EXPECT_EQ(reasons.Selected(), 1);
    reasons.Click(2);
    EXPECT_TRUE(reasons.FieldVisible());
    EXPECT_EQ(reasons.FieldText(), "...");
    reasons.HideField();
    EXPECT_FALSE(reasons.FieldVisible());
}

TEST(DqReasons, EnteringDotsABlankOrAKnownReasonChangesNothingAndKeepsTheFieldOpen) {
    DqReasons reasons;
    reasons.Load({"A", "B", "..."});
    reasons.Click(2);
    reasons.Enter("...");
    reasons.Enter("A");
    reasons.Enter("");
    reasons.Enter("  \t ");
    EXPECT_THAT(reasons.Lines(), ElementsAre("A", "B", "..."));
    EXPECT_TRUE(reasons.FieldVisible());
    EXPECT_EQ(reasons.Selected(), 2);
    EXPECT_EQ(reasons.ReasonsAdded(), 0);
}

TEST(DqReasons, ANewReasonReplacesTheDotsLineWhichMovesToTheEnd) {
    DqReasons reasons;
    reasons.Load({"A", "B", "..."});
    reasons.Click(2);
    reasons.Enter("Sturz");
    EXPECT_THAT(reasons.Lines(), ElementsAre("A", "B", "Sturz", "..."));
    EXPECT_EQ(reasons.SelectedText(), "Sturz");
    EXPECT_EQ(reasons.ReasonsAdded(), 1);
    EXPECT_FALSE(reasons.FieldVisible());

    reasons.Click(3);
    reasons.Enter("Hilfe von aussen");
    EXPECT_THAT(reasons.Lines(), ElementsAre("A", "B", "Sturz", "Hilfe von aussen", "..."));
    EXPECT_EQ(reasons.ReasonsAdded(), 2);
}

TEST(DqReasons, AListWithoutTheDotsLineKeepsItsLastReason) {
    DqReasons reasons;
    reasons.Load({"A", "B"});
    reasons.Click(1);
    ASSERT_TRUE(reasons.FieldVisible());
    reasons.Enter("C");
    EXPECT_THAT(reasons.Lines(), ElementsAre("A", "B", "C", "..."));
    EXPECT_EQ(reasons.SelectedText(), "C");
}

TEST(DqReasons, EnterWhileTheFieldIsClosedDoesNothing) {
    DqReasons reasons;
    reasons.Load({"A", "..."});
    reasons.Enter("C");
    EXPECT_THAT(reasons.Lines(), ElementsAre("A", "..."));
    EXPECT_EQ(reasons.ReasonsAdded(), 0);
}
