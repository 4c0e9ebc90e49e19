#include "kit/render/ZQFilterPipe.h"

#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/filters/ZQHTMLBlockFilter.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQListFilter.h"
#include "kit/filters/ZQQuoteFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/filters/ZQTaskFilter.h"

std::shared_ptr<ZQFilterPipe> ZQFilterPipe::sharedManager()
{
    static const std::shared_ptr<ZQFilterPipe> pipe = std::make_shared<ZQFilterPipe>();
    return pipe;
}

ZQFilterPipe::ZQFilterPipe()
    : m_headingFilter(std::make_shared<ZQHeadingFilter>()),
      m_codeBlockFilter(std::make_shared<ZQCodeBlockFilter>()),
      m_dividerFilter(std::make_shared<ZQSeparatorFilter>())
{
    // Pipe order; the filters of the other constructs take their places here.
    m_container = {m_codeBlockFilter,          std::make_shared<ZQTaskFilter>(),  std::make_shared<ZQListFilter>(),
                   m_headingFilter,            m_dividerFilter,                   std::make_shared<ZQQuoteFilter>(),
                   std::make_shared<ZQHTMLBlockFilter>()};
}
