#include "kit/render/ZQRender.h"

#include "kit/model/ZQFilterRoles.h"
#include "kit/filters/ZQFootNoteHandler.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQParagraphParser.h"
#include "kit/parsers/ZQRichParser.h"
#include "kit/filters/ZQTagHandler.h"
#include "kit/model/ZSSettings.h"
#include "kit/model/ZSTextTheme.h"
#include "kit/parsers/ZQDocTreeParser.h"
#include "kit/model/ZQHighlighter.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "kit/model/ZQRenderContext.h"

ZQRender::ZQRender()
    : m_textTheme(ZSTextTheme::sharedTheme()),
      m_highlighter(&ZQHighlighter::sharedHighlighter()),
      m_textblockParser(std::make_shared<ZQDocTreeParser>()),
      m_renderContext(std::make_shared<ZQRenderContext>()),
      m_paragraphParser(std::make_shared<ZQParagraphParser>()),
      m_richDocTreeParser(std::make_shared<ZQRichParser>()),
      m_settings(ZSSettings::sharedSettings()),
      m_filterProvider(ZQFilterPipe::sharedManager()),
      m_rawFilterNames{QStringLiteral("ZQFilterCodeBlock"), QStringLiteral("ZQMacroTag"),
                       QStringLiteral("ZQTEXT_INDENT_BLOCK")},
      m_spaces(plat::CharacterSet::whitespace())
{
    // Macro handlers come first, keyed by their lower-cased attribute name and
    // sorted into the role lists in the order of those names.
    const plat::ObjectPtr handlers[] = {std::make_shared<ZQFootNoteHandler>(), std::make_shared<ZQImageHandler>(),
                                        std::make_shared<ZQTagHandler>()};
    for (const plat::ObjectPtr& handler : handlers) {
        m_macroHandlers.insert(dynamic_cast<ZQAttributeNamed&>(*handler).attributeName().toLower(), handler);
        sortIntoRoleLists(handler);
    }
    for (const plat::ObjectPtr& filter : m_filterProvider->container()) {
        if (dynamic_cast<ZQCommonMarkInlineFilter*>(filter.get()))
            m_inlineFilters.push_back(filter);
        sortIntoRoleLists(filter);
    }
}

ZQRender::~ZQRender() = default;

void ZQRender::sortIntoRoleLists(const plat::ObjectPtr& member)
{
    auto* object = member.get();
    if (dynamic_cast<ZQKeyPrcessorRender*>(object)) {
        if (auto* named = dynamic_cast<ZQAttributeNamed*>(object))
            m_keyProcessorFilters.insert(named->attributeName(), member);
    }
    if (dynamic_cast<ZQAttributeFixer*>(object))
        m_attirbuteFixers.push_back(member);
    if (dynamic_cast<ZQExportHandler*>(object))
        m_exportFilters.push_back(member);
    if (dynamic_cast<ZQRichMarkerCleaner*>(object))
        m_makerCleanerFilters.push_back(member);
    if (dynamic_cast<ZQCommonMarkBlockFilter*>(object))
        m_commonMarkBlockFilters.push_back(member);
}
