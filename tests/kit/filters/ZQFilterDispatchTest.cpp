#include "kit/filters/ZQCodeBlockFilter.h"
#include "kit/model/ZQFilterDispatch.h"
#include "kit/filters/ZQHeadingFilter.h"
#include "kit/filters/ZQSeparatorFilter.h"
#include "kit/parsers/ZQFilterPipe.h"
#include "platform/text/AttributedString.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// A fixer that records the call and answers as told, or throws.
class ProbeFixer : public plat::Object, public ZQAttributeFixer {
public:
    enum Answer { No, Yes, Throw };
    explicit ProbeFixer(Answer answer) : m_answer(answer) {}
    QString className() const override { return QStringLiteral("ProbeFixer"); }
    bool fixRichAttribute(plat::MutableAttributedString&, plat::Range, plat::Attributes&) override
    {
        ++calls;
        if (m_answer == Throw)
            throw std::runtime_error("broken filter");
        return m_answer == Yes;
    }
    int calls = 0;

private:
    Answer m_answer;
};

class Bystander : public plat::Object {
public:
    QString className() const override { return QStringLiteral("Bystander"); }
};

} // namespace

TEST(ZQFilterDispatch, FirstYesWinsAndAllAreAsked)
{
    auto throwing = std::make_shared<ProbeFixer>(ProbeFixer::Throw);
    auto no = std::make_shared<ProbeFixer>(ProbeFixer::No);
    auto yes = std::make_shared<ProbeFixer>(ProbeFixer::Yes);
    auto later = std::make_shared<ProbeFixer>(ProbeFixer::Yes);
    const ZQFilterDispatch::Members members{std::make_shared<Bystander>(), throwing, no, yes, later};
    plat::MutableAttributedString text;
    plat::Attributes typing;
    const auto call = [&](ZQAttributeFixer& fixer) { return fixer.fixRichAttribute(text, plat::Range(), typing); };

    // The throw counts as NO; the walk stops at the first YES.
    EXPECT_EQ(ZQFilterDispatch::first<ZQAttributeFixer>(members, call, "test"), plat::ObjectPtr(yes));
    EXPECT_EQ(later->calls, 0);
    EXPECT_EQ(throwing->calls, 1);

    EXPECT_TRUE(ZQFilterDispatch::all<ZQAttributeFixer>(members, call, "test"));
    EXPECT_EQ(later->calls, 1);
    EXPECT_EQ(no->calls, 2);

    const ZQFilterDispatch::Members quiet{throwing, no};
    EXPECT_FALSE(ZQFilterDispatch::first<ZQAttributeFixer>(quiet, call, "test"));
    EXPECT_FALSE(ZQFilterDispatch::all<ZQAttributeFixer>(quiet, call, "test"));
}

TEST(ZQFilterDispatch, PipeHoldsTheBlockFiltersInOrder)
{
    const auto pipe = ZQFilterPipe::sharedManager();
    EXPECT_EQ(pipe, ZQFilterPipe::sharedManager());
    QStringList order;
    std::vector<plat::ObjectPtr> leafParsers;
    for (const auto& filter : pipe->container()) {
        order << filter->className();
        if (dynamic_cast<ZQLeafBlockParser*>(filter.get())) {
            EXPECT_TRUE(dynamic_cast<ZQCommonMarkBlockFilter*>(filter.get()));
            leafParsers.push_back(filter);
        }
    }
    EXPECT_EQ(order, (QStringList{"ZQEscapeFilter", "ZQCodeBlockFilter", "ZQTaskFilter", "ZQListFilter",
                                  "ZQTagEntityFilter", "ZQImageFilter", "ZQLinkFilter", "ZQHeadingFilter",
                                  "ZQSeparatorFilter", "ZQBaseFilter", "ZQQuoteFilter", "ZQHTMLBlockFilter"}));
    EXPECT_EQ(leafParsers, (std::vector<plat::ObjectPtr>{pipe->codeBlockFilter(), pipe->headingFilter(),
                                                         pipe->dividerFilter()}));
    EXPECT_EQ(pipe->codeBlockFilter()->attributeName(), QStringLiteral("ZQFilterCodeBlock"));
    EXPECT_EQ(pipe->headingFilter()->attributeName(), QStringLiteral("ZQFilterHeading"));
    EXPECT_EQ(pipe->dividerFilter()->attributeName(), QStringLiteral("ZQFilterDivider"));
}
