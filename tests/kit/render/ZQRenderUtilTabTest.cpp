#include "kit/foundation/ZQShared.h"
#include "kit/model/ZQRenderUtil.h"

#include <gtest/gtest.h>

using plat::Range;

// "a\tb\t\tc" expands to "a   b   " + "    c": tabs at (1, 3), (5, 3), (8, 4).
TEST(ZQRenderUtilTabs, PositionsMapBackToTheLineAsWritten)
{
    QString line = QStringLiteral("a\tb\t\tc");
    const std::vector<Range> tabs = ZQShared::tabExpansionRanges(line, true);
    ASSERT_EQ(tabs, (std::vector<Range>{Range(1, 3), Range(5, 3), Range(8, 4)}));

    const struct {
        qsizetype expanded, written;
    } locations[] = {{0, 0}, {1, 1}, {2, 1}, {3, 1}, {4, 2}, {5, 3}, {8, 4}, {10, 4}, {12, 5}};
    for (const auto& l : locations)
        EXPECT_EQ(ZQRenderUtil::locationBeforeTabExpansion(l.expanded, tabs), l.written) << l.expanded;

    const struct {
        Range expanded, written;
    } ranges[] = {
        {Range(0, 1), Range(0, 1)},  {Range(0, 13), Range(0, 6)}, {Range(2, 2), Range(1, 1)},
        {Range(4, 1), Range(2, 1)},  {Range(9, 4), Range(4, 2)},  {Range(12, 0), Range(5, 0)},
        {Range(5, 7), Range(3, 2)},
    };
    for (const auto& r : ranges)
        EXPECT_EQ(ZQRenderUtil::rangeBeforeTabExpansion(r.expanded, tabs), r.written)
            << r.expanded.location << "," << r.expanded.length;

    EXPECT_EQ(ZQRenderUtil::locationBeforeTabExpansion(7, {}), 7);
    EXPECT_EQ(ZQRenderUtil::rangeBeforeTabExpansion(Range(3, 4), {}), Range(3, 4));
}

// With the tabs' running shifts the mapping starts at the tab at hand: it
// must give what the walk from the first tab gives, for every location and
// range of lines with tabs of every width, back to back and apart.
TEST(ZQRenderUtilTabs, MappingFromRunningShiftsAgreesWithTheFullWalk)
{
    for (const char* written : {"a\tb\t\tc", "\t\t\t\t", "-\t-\t-\ta", "  \t \tx\t", "abc\tdefgh\t\t i"}) {
        QString line = QString::fromLatin1(written);
        const std::vector<Range> tabs = ZQShared::tabExpansionRanges(line, true);
        const std::vector<qsizetype> shifts = ZQRenderUtil::tabExpansionShifts(tabs);
        ASSERT_EQ(shifts.size(), tabs.size() + 1);
        for (qsizetype location = 0; location <= line.size(); ++location) {
            EXPECT_EQ(ZQRenderUtil::locationBeforeTabExpansion(location, tabs, shifts),
                      ZQRenderUtil::locationBeforeTabExpansion(location, tabs))
                << written << " at " << location;
            for (qsizetype length = 0; location + length <= line.size(); ++length)
                EXPECT_EQ(ZQRenderUtil::rangeBeforeTabExpansion(Range(location, length), tabs, shifts),
                          ZQRenderUtil::rangeBeforeTabExpansion(Range(location, length), tabs))
                    << written << " at " << location << "," << length;
        }
    }
}
