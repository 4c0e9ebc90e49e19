// The help pane: the cheat sheet follows the markup dialect at once and the
// tip area collapses with the setting.

#include "app/shell/ZQHelpViews.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace helpviews {

TEST(HelpViews, TheCheatSheetAndTipAreaFollowTheSettings)
{
    if (!ZQSetting::shared())
        ZSSettings::hookPlatformSettings(ZQSetting::create());
    const ZQSettingPtr settings = ZQSetting::shared();
    ASSERT_TRUE(settings);
    const ZQMarkupType markup = settings->markupType();
    const bool hideTips = settings->hideHelpTips();
    settings->setMarkupType(ZQMarkupType::Markdown);
    settings->setHideHelpTips(false);
    {
        ZQHelpMainView pane;
        EXPECT_EQ(pane.shownHelpPanel(), pane.markdownHelpPanel());
        settings->setMarkupType(ZQMarkupType::QuorvelMarkup);
        EXPECT_EQ(pane.shownHelpPanel(), pane.quorvelMarkupHelpPanel());
        settings->setMarkupType(ZQMarkupType::Markdown);
        EXPECT_EQ(pane.shownHelpPanel(), pane.markdownHelpPanel());

        EXPECT_EQ(pane.tipView()->maximumHeight(), ZQHelpMainView::TipHeight);
        settings->setHideHelpTips(true);
        EXPECT_EQ(pane.tipView()->maximumHeight(), 0);
        EXPECT_TRUE(pane.tipView()->isHidden());
        settings->setHideHelpTips(false);
        EXPECT_EQ(pane.tipView()->maximumHeight(), ZQHelpMainView::TipHeight);
    }
    // The pane is gone: its observers went with it.
    settings->setMarkupType(ZQMarkupType::QuorvelMarkup);
    settings->setHideHelpTips(true);
    settings->setMarkupType(markup);
    settings->setHideHelpTips(hideTips);
}

} // namespace helpviews
