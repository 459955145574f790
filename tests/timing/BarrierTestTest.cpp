#include "timing/BarrierTest.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using ::testing::Contains;
using ::testing::ElementsAre;

constexpr std::int64_t Us = 1000;  // a nanosecond counter
constexpr std::int64_t Ms = 1000 * Us;
constexpr std::uint32_t CtsOn = 0x10;

std::vector<std::string> Lines(const BarrierTest& test) {
    return {test.Lines().begin(), test.Lines().end()};
}

TEST(BarrierTest, EachEdgeSaysItsTimeLevelAndWhatTheTriggerFilterWouldDo) {
    BarrierTest test(0, 10000, 1000 * Ms, 0, 0);
    test.Edge(CtsOn, 2000 * Ms, 1);
    test.Edge(0, 2000 * Ms + 250 * Us, 1);
    test.Edge(CtsOn, 2500 * Ms, 1);  // a second crossing inside the start lock
    test.Edge(0, 2600 * Ms, 3);
    test.Edge(0, 2601 * Ms, 1);
    test.Tick(14'000 * Ms);
    test.Edge(CtsOn, 14'000 * Ms, 1);  // after the start lock: a stop
    EXPECT_THAT(
        Lines(test),
        ElementsAre(
            testing::HasSubstr("Strahl frei"), "+2000,000 ms  CTS an   würde starten bzw. stoppen",
            "+0,250 ms  CTS aus  Ruhepegel: keine Auslösung", "Durchgang sauber: 2 Flanken",
            "+499,750 ms  CTS an   in der Startsperre: ignoriert",
            "+100,000 ms  CTS aus  Ruhepegel: keine Auslösung (3 Flanken)",
            "+1,000 ms  CTS aus  gleicher Pegel: ignoriert", "Kontakt prellt: 5 Flanken in 101 ms",
            "Seit 11 s keine Flanke: Verkabelung und Ausrichtung prüfen",
            "+11399,000 ms  CTS an   würde starten bzw. stoppen"));
    EXPECT_EQ(test.Crossings(), 2);
    EXPECT_EQ(test.BouncingCrossings(), 1);
}

struct BounceCase {
    int edges;
    std::int64_t spacing;
    const char* said;
};

TEST(BarrierTest, ACrossingThatBouncesIsSaidWithItsEdgesAndSpan) {
    const std::vector<BounceCase> cases{
        {2, 400 * Ms, "Durchgang sauber: 2 Flanken"},  // the beam broken for 0.4 s
        {6, 600 * Us, "Kontakt prellt: 6 Flanken in 3 ms"},
        {18, 160 * Us, "Kontakt prellt: 18 Flanken in 3 ms"},
    };
    for (const BounceCase& c : cases) {
        BarrierTest test(1, 10000, 1000 * Ms, 0, CtsOn);
        for (int i = 0; i < c.edges; ++i) {
            test.Edge(i % 2 == 0 ? 0 : CtsOn, Ms + i * c.spacing, 1);
        }
        test.Tick(Ms + c.edges * c.spacing + 200 * Ms);
        EXPECT_THAT(Lines(test), Contains(std::string(c.said))) << c.edges;
    }
}

}  // namespace
