#include "kit/parsers/ZQFilterPipe.h"

#include "kit/filters/ZQBaseFilter.h"
#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/filters/ZQEscapeFilter.h"
#include "kit/filters/ZQHTMLBlockFilter.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQImageFilter.h"
#include "kit/filters/ZQLinkFilter.h"
#include "kit/filters/ZQListFilter.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/filters/ZQTagEntityFilter.h"
#include "kit/filters/ZQTaskFilter.h"

std::shared_ptr<ZQFilterPipe> ZQFilterPipe::sharedManager()
{
    static const std::shared_ptr<ZQFilterPipe> pipe = std::make_shared<ZQFilterPipe>();
    return pipe;
}

ZQFilterPipe::ZQFilterPipe()
    : m_baseFilter(std::make_shared<ZQBaseFilter>()),
      m_listFilter(std::make_shared<ZQListFilter>()),
      m_taskFilter(std::make_shared<ZQTaskFilter>()),
      m_quoteFilter(std::make_shared<ZQQuoteFilter>()),
      m_linkFilter(std::make_shared<ZQLinkFilter>()),
      m_headingFilter(std::make_shared<ZQHeadingFilter>()),
      m_codeBlockFilter(std::make_shared<ZQCodeBlockFilter>()),
      m_dividerFilter(std::make_shared<ZQSeparatorFilter>())
{
    // Pipe order.
    m_container = {std::make_shared<ZQEscapeFilter>(),    m_codeBlockFilter,
                   m_taskFilter,                          m_listFilter,
                   std::make_shared<ZQTagEntityFilter>(), std::make_shared<ZQImageFilter>(),
                   m_linkFilter,                          m_headingFilter,
                   m_dividerFilter,                       m_baseFilter,
                   m_quoteFilter,                         std::make_shared<ZQHTMLBlockFilter>()};
    m_blockEditorFilterContainer = {m_baseFilter};
}
