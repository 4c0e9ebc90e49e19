#pragma once
// The typesetter of every editor: no line break between the words of a
// read-only run (a tag stays on one line), and the configured line gap added
// to every line, code lines with a gap of their own.

#include "kit/model/ZQEditorTypes.h"
#include "platform/ui/Typesetter.h"

#include <memory>

class ZSSettings;

class ZQEditorTypeSetting : public plat::Typesetter {
public:
    // Rich takes the rich gaps; any other type the markup gaps.
    explicit ZQEditorTypeSetting(ZQEditorType editorType);

    ZQEditorType editorType() const { return m_editorType; }
    const std::shared_ptr<ZSSettings>& settings() const { return m_settings; }

    bool shouldBreakLineByWordBeforeCharacterAtIndex(qsizetype index) override;
    void willSetLineFragmentRect(QRectF& lineRect, plat::Range glyphRange, QRectF& usedRect,
                                 qreal& baselineOffset) override;

private:
    const ZQEditorType m_editorType;
    const std::shared_ptr<ZSSettings> m_settings;
};
