#include "kit/model/ZQFilterRoles.h"
#include "kit/model/ZSSettings.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/render/ZQRender.h"
#include "kit/model/ZQRenderContext.h"

#include "support/ScopedDefaults.h"

#include <gtest/gtest.h>

TEST(ZQRender, SharesThePipeButOwnsParsersAndContext)
{
    // The application installs its settings before any render object exists.
    ScopedDefaults defaults;
    ZSSettings::hookPlatformSettings(ZSSettings::create());
    ZQRender first;
    ZQRender second;
    EXPECT_EQ(first.filterProvider(), second.filterProvider());
    EXPECT_EQ(first.commonMarkBlockFilters(), second.commonMarkBlockFilters());
    EXPECT_NE(first.textblockParser(), second.textblockParser());
    EXPECT_NE(first.renderContext(), second.renderContext());
    EXPECT_NE(first.paragraphParser(), second.paragraphParser());

    // The block and the inline filters, each in pipe order.
    const auto classNames = [](const std::vector<plat::ObjectPtr>& members) {
        QStringList names;
        for (const auto& member : members)
            names << member->className();
        return names;
    };
    EXPECT_EQ(classNames(first.commonMarkBlockFilters()),
              (QStringList{"ZQCodeBlockFilter", "ZQTaskFilter", "ZQListFilter", "ZQHeadingFilter", "ZQSeparatorFilter",
                           "ZQQuoteFilter", "ZQHTMLBlockFilter"}));
    EXPECT_EQ(classNames(first.inlineFilters()), (QStringList{"ZQEscapeFilter", "ZQTagEntityFilter", "ZQImageFilter",
                                                              "ZQLinkFilter", "ZQBaseFilter"}));
    EXPECT_EQ(classNames(first.filterProvider()->blockEditorFilterContainer()), QStringList{"ZQBaseFilter"});
    // Handlers first, then the pipe's filters.
    EXPECT_EQ(classNames(first.exportFilters()),
              (QStringList{"ZQFootNoteHandler", "ZQImageHandler", "ZQLinkFilter"}));
    EXPECT_EQ(first.macroHandlers().value(QStringLiteral("zqmacrofootnote"))->className(), "ZQFootNoteHandler");
    EXPECT_EQ(first.macroHandlers().value(QStringLiteral("zqmacroimage"))->className(), "ZQImageHandler");
    EXPECT_EQ(first.macroHandlers().value(QStringLiteral("zqmacrotag"))->className(), "ZQTagHandler");
    EXPECT_NE(first.macroHandlers().value(QStringLiteral("zqmacrotag")),
              second.macroHandlers().value(QStringLiteral("zqmacrotag")));
    EXPECT_EQ(classNames(first.attirbuteFixers()).first(), "ZQFootNoteHandler");
    EXPECT_EQ(classNames(first.makerCleanerFilters()).mid(0, 3),
              (QStringList{"ZQFootNoteHandler", "ZQImageHandler", "ZQTagHandler"}));
    // Keys go to the tag handler and the code-block and heading filters.
    EXPECT_EQ(first.keyProcessorFilters().keys(),
              (QStringList{"ZQFilterCodeBlock", "ZQFilterHeading", "ZQMacroTag"}));
    EXPECT_EQ(first.rawFilterNames(),
              (QStringList{"ZQFilterCodeBlock", "ZQMacroTag", "ZQTEXT_INDENT_BLOCK"}));

    auto context = std::make_shared<ZQRenderContext>();
    first.setRenderContext(context);
    EXPECT_EQ(first.renderContext(), context);
    ZSSettings::hookPlatformSettings(nullptr);
}
