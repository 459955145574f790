#include "results/Standing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "TrickyClass.h"
#include "results/ResultTable.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

std::vector<std::string> Numbers(const Standing& standing, const std::vector<int>& rows) {
    std::vector<std::string> numbers;
    for (const int row : rows) {
        numbers.push_back(standing.At(row).StartNumber);
    }
    return numbers;
}

int RowOf(const ResultTable& table, const std::string& number) {
    return table.FindRow(number);
}

}  // namespace

TEST(Standing, DecidesEveryRowOfTheTrickyClassOnce) {
    const ResultTable table = TrickyTable();
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    const auto at = [&](const char* number) { return standing.At(RowOf(table, number)); };

    EXPECT_EQ(at("101").State, Validity::Disqualified);
    EXPECT_EQ(at("101").Total, "DQ");
    EXPECT_EQ(at("102").State, Validity::Disqualified);
    EXPECT_EQ(at("103").State, Validity::NoTime);
    EXPECT_EQ(at("103").Total, "n.a.");
    EXPECT_EQ(at("105").State, Validity::Scratched);
    EXPECT_EQ(at("110").State, Validity::NoResult);
    for (const char* unplaced : {"101", "102", "103", "105", "110"}) {
        EXPECT_EQ(at(unplaced).Place, 0) << unplaced;
        EXPECT_EQ(at(unplaced).Division, 0) << unplaced;
        EXPECT_EQ(at(unplaced).Cents, 0) << unplaced;
    }

    EXPECT_EQ(at("107").Place, 1);
    EXPECT_EQ(at("104").Place, 2);
    EXPECT_EQ(at("106").Place, 2);
    EXPECT_EQ(at("108").Place, 4);
    EXPECT_EQ(at("109").Place, 5);
    EXPECT_EQ(at("108").Total, "1:02,300");
    EXPECT_EQ(at("109").Total, "61:02,300");
    EXPECT_EQ(at("109").TotalMs, 3662300);
    EXPECT_THAT(Numbers(standing, standing.Ranked), ElementsAreArray(TrickyRankedNumbers()));

    EXPECT_EQ(standing.FastestMs, 15481);
    EXPECT_EQ(standing.TimeText(*standing.FastestMs), "15,481");
    EXPECT_EQ(standing.BehindText(RowOf(table, "104")), "+0,007");
    EXPECT_EQ(at("104").Division, 1);
    EXPECT_EQ(at("104").DivisionPlace, 2);
    EXPECT_EQ(at("108").Division, 3);
    EXPECT_EQ(at("108").DivisionPlace, 1);
    EXPECT_EQ(standing.DivisionText(RowOf(table, "109")), "3D: 2");
    EXPECT_THAT(standing.DivisionBeginsMs, ElementsAre(15481, 15981, 16481));
    EXPECT_EQ(standing.DivisionLeaderRows[0], RowOf(table, "107"));
    EXPECT_EQ(standing.DivisionLeaderRows[1], -1);
    EXPECT_EQ(standing.DivisionLeaderRows[2], RowOf(table, "108"));
}

TEST(Standing, PaysTheTieAndEveryCentIsAccountedFor) {
    const ResultTable table = TrickyTable();
    const Standing standing = MakeStanding(table, TrickyRules(), {});
    // Nine entries (the scratched starter never paid in, the class is not drawn): 450,00.
    EXPECT_EQ(standing.Sheet.PurseCents, 45000);
    // 1D pot 225,00: 107 gets 60 %, 104 and 106 share the 40 % of place 2 alone.
    EXPECT_EQ(standing.At(RowOf(table, "107")).Cents, 13500);
    EXPECT_EQ(standing.At(RowOf(table, "104")).Cents, 4500);
    EXPECT_EQ(standing.At(RowOf(table, "106")).Cents, 4500);
    EXPECT_EQ(standing.MoneyOf(RowOf(table, "107")), "135,00");
    EXPECT_EQ(standing.Sheet.PaidCents + standing.Sheet.UnpaidCents + standing.Sheet.RestCents,
              standing.Sheet.PurseCents);
}

TEST(Standing, CountsWhoIsNextAndLeftWithoutScratchedStarters) {
    ResultTable table = TrickyTable();
    StandingContext context;
    context.DragEvery = 5;
    // Nobody on course: 110 is the only one left; the drag after position 5 (scratched 105) has
    // passed with the runs before it.
    Standing standing = MakeStanding(table, TrickyRules(), context);
    EXPECT_EQ(standing.Runs, 8);
    EXPECT_EQ(standing.Left, 1);
    EXPECT_THAT(Numbers(standing, standing.NextRows), ElementsAre("110"));
    EXPECT_EQ(standing.RunsToDrag, -1);

    // Reopen 104 and 106 and put 104 on course: the drag point at the scratched 105 falls after
    // 104's run, and 106 comes next; 105 is never next.
    for (const char* number : {"104", "106"}) {
        for (int col : {ColLaufzeit, ColStrafen, ColTotal}) {
            table.SetCell(col, RowOf(table, number), "");
        }
    }
    context.OnCourseRow = RowOf(table, "104");
    standing = MakeStanding(table, TrickyRules(), context);
    EXPECT_EQ(standing.Left, 3);
    EXPECT_THAT(Numbers(standing, standing.NextRows), ElementsAre("106", "110"));
    EXPECT_EQ(standing.RunsToDrag, 1);
}

TEST(Standing, KeepsTheLastRunOnlyWhileItHasAResult) {
    const ResultTable table = TrickyTable();
    StandingContext context;
    context.LastRunRow = RowOf(table, "107");
    EXPECT_EQ(MakeStanding(table, TrickyRules(), context).LastRunRow, RowOf(table, "107"));
    context.LastRunRow = RowOf(table, "110");
    EXPECT_EQ(MakeStanding(table, TrickyRules(), context).LastRunRow, -1);
}

TEST(Standing, AHundredthsClassTiesWhatAThousandthsClassTellsApart) {
    const ResultTable table = TrickyTable();
    ClassRules rules = TrickyRules();
    rules.Thousandths = false;
    const Standing standing = MakeStanding(table, rules, {});
    EXPECT_EQ(standing.At(RowOf(table, "107")).Place, 1);
    EXPECT_EQ(standing.At(RowOf(table, "104")).Place, 1);
    EXPECT_EQ(standing.At(RowOf(table, "106")).Place, 1);
    EXPECT_EQ(standing.At(RowOf(table, "108")).Place, 4);
    EXPECT_EQ(standing.At(RowOf(table, "107")).Total, "15,48");
    EXPECT_EQ(standing.At(RowOf(table, "109")).Total, "61:02,30");
}
