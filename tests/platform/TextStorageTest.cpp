#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextStorage.h"

#include <gtest/gtest.h>

using namespace plat;

namespace {

struct Processed {
    unsigned mask;
    Range range;
    qsizetype delta;
    friend bool operator==(const Processed&, const Processed&) = default;
};

class RecordingDelegate : public TextStorageDelegate {
public:
    std::vector<Processed> will;
    std::vector<Processed> did;
    std::function<void(TextStorage&)> onWill;

    void textStorageWillProcessEditing(TextStorage& s, unsigned mask, Range range, qsizetype delta) override
    {
        will.push_back({mask, range, delta});
        if (onWill)
            onWill(s);
    }
    void textStorageDidProcessEditing(TextStorage&, unsigned mask, Range range, qsizetype delta) override
    {
        did.push_back({mask, range, delta});
    }
};

} // namespace

TEST(TextStorage, BatchCollectsMaskRangeAndDelta)
{
    using Edit = std::function<void(TextStorage&)>;
    auto insert = [](qsizetype at, const char* text) -> Edit {
        return [=](TextStorage& s) { s.replaceCharacters(Range(at, 0), QString::fromLatin1(text)); };
    };
    auto remove = [](Range r) -> Edit { return [=](TextStorage& s) { s.deleteCharacters(r); }; };
    auto tag = [](Range r) -> Edit { return [=](TextStorage& s) { s.addAttribute(QStringLiteral("t"), 1, r); }; };
    struct Case {
        std::vector<Edit> edits;
        Processed expected;
    } cases[] = {
        {{insert(2, "ab")}, {EditedCharacters, {2, 2}, 2}},
        {{tag(Range(1, 3))}, {EditedAttributes, {1, 3}, 0}},
        {{insert(8, "x"), remove(Range(0, 2))}, {EditedCharacters, {0, 7}, -1}},
        {{[](TextStorage& s) { s.replaceCharacters(Range(2, 3), QStringLiteral("abcdef")); }, tag(Range(0, 1))},
         {EditedCharacters | EditedAttributes, {0, 8}, 3}},
        {{remove(Range(4, 2)), insert(1, "zz")}, {EditedCharacters, {1, 5}, 0}},
        {{insert(9, "x"), remove(Range(9, 1))}, {EditedCharacters, {9, 0}, 0}},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        TextStorage storage(AttributedString(QStringLiteral("0123456789")));
        RecordingDelegate delegate;
        storage.setDelegate(&delegate);
        storage.beginEditing();
        storage.beginEditing(); // nested: only the outermost end processes
        for (const Edit& edit : cases[i].edits)
            edit(storage);
        storage.endEditing();
        EXPECT_TRUE(delegate.did.empty());
        storage.endEditing();
        EXPECT_EQ(delegate.will, std::vector<Processed>{cases[i].expected}) << "case " << i;
        EXPECT_EQ(delegate.did, std::vector<Processed>{cases[i].expected}) << "case " << i;
        EXPECT_EQ(storage.editedMask(), 0u);
        EXPECT_TRUE(storage.editedRange().isNotFound());
    }
}

TEST(TextStorage, EachLoneEditIsProcessedAndFixed)
{
    const auto style = ParagraphStyle::create();
    TextStorage storage(AttributedString(QStringLiteral("ab\ncd"), Attributes{{ParagraphStyleAttribute, style}}));
    RecordingDelegate delegate;
    storage.setDelegate(&delegate);
    std::vector<TextStorage::Phase> phases;
    const auto id = storage.addObserver([&](TextStorage& s, TextStorage::Phase phase) {
        phases.push_back(phase);
        EXPECT_EQ(s.editedMask(), unsigned(EditedAttributes | EditedCharacters));
    });

    // Text without a paragraph style inserted mid-paragraph takes the paragraph's.
    storage.replaceCharacters(Range(4, 0), AttributedString(QStringLiteral("xy")));
    EXPECT_EQ(delegate.did.size(), 1u);
    EXPECT_EQ(storage.attributeAtIndex(ParagraphStyleAttribute, 5).toObject(), style);
    EXPECT_EQ(phases, (std::vector{TextStorage::Phase::WillProcessEditing, TextStorage::Phase::DidProcessEditing}));

    // Changes made by the delegate before fixing join the batch; nothing is processed twice.
    storage.removeObserver(id);
    delegate.onWill = [](TextStorage& s) {
        if (s.length() > 3)
            s.addAttribute(QStringLiteral("t"), 1, Range(0, 1));
    };
    storage.replaceCharacters(Range(6, 1), QStringLiteral("!"));
    EXPECT_EQ(delegate.will.back(), (Processed{EditedCharacters, {6, 1}, 0}));
    EXPECT_EQ(delegate.did.back(), (Processed{EditedCharacters | EditedAttributes, {0, 7}, 0}));
    EXPECT_EQ(delegate.did.size(), 2u);
    EXPECT_EQ(phases.size(), 2u);
}
