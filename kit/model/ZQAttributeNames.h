#pragma once
// The names under which rich text marks each markup construct. The values
// stored under them are described beside each name.

#include <QString>

namespace ZQAttr {

inline const QString FilterHeading = QStringLiteral("ZQFilterHeading");     // ZQHeadingStyle
inline const QString FilterList = QStringLiteral("ZQFilterList");           // ZQListStyle
inline const QString FilterTask = QStringLiteral("ZQFILTER_TASK");          // ZQListStyle of the task item
inline const QString FilterQuote = QStringLiteral("ZQFilterQuote");         // ZQQuoteStyle; markup: a UUID string
inline const QString FilterCodeBlock = QStringLiteral("ZQFilterCodeBlock"); // part code "S", "T", "B" or "E"
inline const QString FilterDivider = QStringLiteral("ZQFilterDivider");     // "Divider"
inline const QString FilterLink = QStringLiteral("ZQFilterLink");           // ZQLinkStyle
inline const QString MacroImage = QStringLiteral("ZQMacroImage");           // ZQImageStyle
inline const QString MacroFootnote = QStringLiteral("ZQMacroFootnote");     // ZQFootnoteStyle
inline const QString MacroTag = QStringLiteral("ZQMacroTag");               // a UUID string per tag
inline const QString TextBlock = QStringLiteral("ZQTATextBlock");           // ZQTextBlockStyle: drawn as a box
inline const QString Paired = QStringLiteral("ZQTAPaired");                 // ZQPairedAttribute
inline const QString Raw = QStringLiteral("ZQTARaw");                       // a key; the text is taken literally
inline const QString Readonly = QStringLiteral("ZQTAReadonly");             // any object; not editable inside
inline const QString InListIndent = QStringLiteral("ZQTAInListIndent");     // ZQListStyle of a list line's indent tab
inline const QString FilterItalic = QStringLiteral("ZQTAFilterItalic");     // "Italic"
inline const QString FilterCode = QStringLiteral("ZQTAFilterCode");         // "Code"
inline const QString Escaped = QStringLiteral("ZQTAEscaped");               // "ESC" or "esacped"
inline const QString IndentBlock = QStringLiteral("ZQTEXT_INDENT_BLOCK");   // indented code block
inline const QString LinkRef = QStringLiteral("ZQTEXT_LINKREF");            // "LinkRef"
inline const QString Autolink = QStringLiteral("ZQTEXT_AUTOLINK");          // "Autolink"
inline const QString Entity = QStringLiteral("ZQTEXT_ENTITY");              // the entity's source text
inline const QString HtmlTag = QStringLiteral("ZQTEXT_HTMLTAG");            // "HTMLTag"
inline const QString CodeBlockKeyword = QStringLiteral("ZQTextAttributeCodeBlockKeyword"); // highlight colour
inline const QString OutlineTitle = QStringLiteral("ZQTEXT_OUTLINE_TITLE"); // "OutlineTitle"
inline const QString PRreformatte = QStringLiteral("ZQTAPRreformatte");     // "pre" or "selRange"
inline const QString TabExpansion = QStringLiteral("ZQTATabExpansion");
inline const QString AutoComplete = QStringLiteral("ZQTAAutoComplete");

} // namespace ZQAttr
