#pragma once
// Builds a stretch of attributed text from pieces (parts of a paragraph, new
// text), merging neighbouring pieces with equal attributes, so that a filter
// that rewrites many places of a paragraph replaces it once with few runs.

#include "platform/text/AttributedString.h"

#include <vector>

class ZQRunBuilder {
public:
    void append(QStringView text, const plat::Attributes& attributes)
    {
        if (text.isEmpty())
            return;
        m_text += text;
        if (!m_runs.empty() && m_runs.back().attributes == attributes)
            m_runs.back().length += text.size();
        else
            m_runs.push_back({text.size(), attributes});
    }
    // Part of a text with its own attributes.
    void append(const plat::AttributedString& from, plat::Range range)
    {
        from.enumerateAttributes(range, 0, [&](const plat::Attributes& attributes, plat::Range run, bool*) {
            append(QStringView(from.string()).mid(run.location, run.length), attributes);
        });
    }
    qsizetype length() const { return m_text.size(); }

    plat::MutableAttributedString build() const
    {
        plat::MutableAttributedString text;
        qsizetype location = 0;
        for (const Run& run : m_runs) {
            text.append(plat::AttributedString(m_text.mid(location, run.length), run.attributes));
            location += run.length;
        }
        return text;
    }

private:
    struct Run {
        qsizetype length;
        plat::Attributes attributes;
    };
    QString m_text;
    std::vector<Run> m_runs;
};
