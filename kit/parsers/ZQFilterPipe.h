#pragma once
// The process-wide holder of one instance of each markup filter, in the fixed
// order in which every dispatch over the pipe asks them. Every render object of
// the process shares these instances.

#include "platform/foundation/Object.h"

#include <memory>
#include <vector>

class ZQBaseFilter;
class ZQCodeBlockFilter;
class ZQHeadingFilter;
class ZQLinkFilter;
class ZQListFilter;
class ZQQuoteFilter;
class ZQSeparatorFilter;
class ZQTaskFilter;

class ZQFilterPipe : public plat::Object {
public:
    // Created once, on first use, from any thread.
    static std::shared_ptr<ZQFilterPipe> sharedManager();

    ZQFilterPipe();

    QString className() const override { return QStringLiteral("ZQFilterPipe"); }

    // The filters in pipe order: escape, code block, task, list, tag and entity,
    // image, link, heading, divider, emphasis, quote, HTML block.
    const std::vector<plat::ObjectPtr>& container() const { return m_container; }
    void setContainer(std::vector<plat::ObjectPtr> filters) { m_container = std::move(filters); }
    // The filters of a block editor's live styling (the emphasis filter).
    const std::vector<plat::ObjectPtr>& blockEditorFilterContainer() const { return m_blockEditorFilterContainer; }
    void setBlockEditorFilterContainer(std::vector<plat::ObjectPtr> filters)
    {
        m_blockEditorFilterContainer = std::move(filters);
    }

    const std::shared_ptr<ZQBaseFilter>& baseFilter() const { return m_baseFilter; }
    const std::shared_ptr<ZQListFilter>& listFilter() const { return m_listFilter; }
    const std::shared_ptr<ZQTaskFilter>& taskFilter() const { return m_taskFilter; }
    const std::shared_ptr<ZQQuoteFilter>& quoteFilter() const { return m_quoteFilter; }
    const std::shared_ptr<ZQLinkFilter>& linkFilter() const { return m_linkFilter; }
    const std::shared_ptr<ZQHeadingFilter>& headingFilter() const { return m_headingFilter; }
    void setHeadingFilter(std::shared_ptr<ZQHeadingFilter> filter) { m_headingFilter = std::move(filter); }
    const std::shared_ptr<ZQCodeBlockFilter>& codeBlockFilter() const { return m_codeBlockFilter; }
    void setCodeBlockFilter(std::shared_ptr<ZQCodeBlockFilter> filter) { m_codeBlockFilter = std::move(filter); }
    const std::shared_ptr<ZQSeparatorFilter>& dividerFilter() const { return m_dividerFilter; }
    void setDividerFilter(std::shared_ptr<ZQSeparatorFilter> filter) { m_dividerFilter = std::move(filter); }

private:
    std::vector<plat::ObjectPtr> m_container;
    std::vector<plat::ObjectPtr> m_blockEditorFilterContainer;
    std::shared_ptr<ZQBaseFilter> m_baseFilter;
    std::shared_ptr<ZQListFilter> m_listFilter;
    std::shared_ptr<ZQTaskFilter> m_taskFilter;
    std::shared_ptr<ZQQuoteFilter> m_quoteFilter;
    std::shared_ptr<ZQLinkFilter> m_linkFilter;
    std::shared_ptr<ZQHeadingFilter> m_headingFilter;
    std::shared_ptr<ZQCodeBlockFilter> m_codeBlockFilter;
    std::shared_ptr<ZQSeparatorFilter> m_dividerFilter;
};
