#pragma once
// The colour theme of both editors: header, preference grid, and the stored
// colours, flags, numbers and style-sheet names of the rich and markup text
// and of both editor windows. One live instance (sharedTheme) is shared by
// the process; further instances only read a theme without touching it.
// Each theme is a JSON file named after its identifier: system themes are
// resources ("themes/<id>.json"), user themes live in the data folder "themes".

#include "kit/foundation/ZSObservableProperties.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Object.h"
#include "platform/foundation/Timer.h"
#include "platform/foundation/Value.h"
#include "platform/text/Color.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace plat {
class MutableAttributedString;
class TextView;
} // namespace plat

// Every stored property in declaration order: X(kind, name, setter). The name
// prefix picks the JSON group: "editor", "md" (markupeditor), "rich", "mk" (markup).
#define ZS_TEXT_THEME_FIELDS(X) \
    X(Color, editorTrashBinEditorBackgroundColor, setEditorTrashBinEditorBackgroundColor) \
    X(Color, editorContainerBackgroundColor, setEditorContainerBackgroundColor) \
    X(Color, editorEditorBackgroundColor, setEditorEditorBackgroundColor) \
    X(Color, editorBlockEditorBackgroundColor, setEditorBlockEditorBackgroundColor) \
    X(Color, editorBlockEditorForeColor, setEditorBlockEditorForeColor) \
    X(Color, editorCaretColor, setEditorCaretColor) \
    X(Color, editorSelectionColor, setEditorSelectionColor) \
    X(Name, editorCodeBlockCSS, setEditorCodeBlockCSS) \
    X(Integer, editorPopoverStyle, setEditorPopoverStyle) \
    X(Flag, editorDisableBackgroundImage, setEditorDisableBackgroundImage) \
    X(Color, mdTrashBinEditorBackgroundColor, setMdTrashBinEditorBackgroundColor) \
    X(Color, mdContainerBackgroundColor, setMdContainerBackgroundColor) \
    X(Color, mdEditorBackgroundColor, setMdEditorBackgroundColor) \
    X(Color, mdBlockEditorBackgroundColor, setMdBlockEditorBackgroundColor) \
    X(Color, mdBlockEditorForeColor, setMdBlockEditorForeColor) \
    X(Color, mdCaretColor, setMdCaretColor) \
    X(Color, mdSelectionColor, setMdSelectionColor) \
    X(Name, mdCodeBlockCSS, setMdCodeBlockCSS) \
    X(Integer, mdPopoverStyle, setMdPopoverStyle) \
    X(Flag, mdDisableBackgroundImage, setMdDisableBackgroundImage) \
    X(Color, richTextColor, setRichTextColor) \
    X(Color, richBoldColor, setRichBoldColor) \
    X(Color, richCodeColor, setRichCodeColor) \
    X(Color, richQuoteColor, setRichQuoteColor) \
    X(Color, richFootnoteColor, setRichFootnoteColor) \
    X(Color, richHeadingColor, setRichHeadingColor) \
    X(Color, richListColor, setRichListColor) \
    X(Color, richItalicColor, setRichItalicColor) \
    X(Color, richCrossColor, setRichCrossColor) \
    X(Color, richEscapeColor, setRichEscapeColor) \
    X(Color, richTaskColor, setRichTaskColor) \
    X(Color, richTaskOngoingColor, setRichTaskOngoingColor) \
    X(Color, richTaskCompletedColor, setRichTaskCompletedColor) \
    X(Color, richDividerColor, setRichDividerColor) \
    X(Color, richDividerColorBackground, setRichDividerColorBackground) \
    X(Color, richImageColor, setRichImageColor) \
    X(Color, richImageBackgroundColor, setRichImageBackgroundColor) \
    X(Color, richImageBorderColor, setRichImageBorderColor) \
    X(Color, richCodeBlockTagColor, setRichCodeBlockTagColor) \
    X(Color, richCodeBlockBackgroundColor, setRichCodeBlockBackgroundColor) \
    X(Color, richIndentBlockColor, setRichIndentBlockColor) \
    X(Color, richTagColor, setRichTagColor) \
    X(Color, richTagBackgroundColor, setRichTagBackgroundColor) \
    X(Color, richTagBorderColor, setRichTagBorderColor) \
    X(Color, richLinkColor, setRichLinkColor) \
    X(Color, richLinkBackgroundColor, setRichLinkBackgroundColor) \
    X(Color, richLinkBorderColor, setRichLinkBorderColor) \
    X(Color, richLinkRefBodyColor, setRichLinkRefBodyColor) \
    X(Color, richEntityColor, setRichEntityColor) \
    X(Color, richHtmlTagColor, setRichHtmlTagColor) \
    X(Color, richAutolinkColor, setRichAutolinkColor) \
    X(Color, mkTextColor, setMkTextColor) \
    X(Color, mkBoldColor, setMkBoldColor) \
    X(Color, mkCodeColor, setMkCodeColor) \
    X(Color, mkItalicColor, setMkItalicColor) \
    X(Color, mkCrossColor, setMkCrossColor) \
    X(Color, mkQuoteColor, setMkQuoteColor) \
    X(Color, mkFootnoteColor, setMkFootnoteColor) \
    X(Color, mkHeadingColor, setMkHeadingColor) \
    X(Color, mkListColor, setMkListColor) \
    X(Color, mkEscapeColor, setMkEscapeColor) \
    X(Color, mkTaskColor, setMkTaskColor) \
    X(Color, mkTaskOngoingColor, setMkTaskOngoingColor) \
    X(Color, mkTaskCompletedColor, setMkTaskCompletedColor) \
    X(Color, mkDividerColor, setMkDividerColor) \
    X(Color, mkImageColor, setMkImageColor) \
    X(Color, mkTagColor, setMkTagColor) \
    X(Color, mkLinkColor, setMkLinkColor) \
    X(Color, mkCodeBlockTagColor, setMkCodeBlockTagColor) \
    X(Color, mkCodeBlockBackgroundColor, setMkCodeBlockBackgroundColor) \
    X(Color, mkHeadingMarkerColor, setMkHeadingMarkerColor) \
    X(Color, mkBoldMarkerColor, setMkBoldMarkerColor) \
    X(Color, mkCodeMarkerColor, setMkCodeMarkerColor) \
    X(Color, mkItalicMarkerColor, setMkItalicMarkerColor) \
    X(Color, mkCrossMarkerColor, setMkCrossMarkerColor) \
    X(Color, mkTagMarkerColor, setMkTagMarkerColor) \
    X(Color, mkLinkRefLabelColor, setMkLinkRefLabelColor) \
    X(Color, mkLinkRefBodyColor, setMkLinkRefBodyColor) \
    X(Color, mkEntityColor, setMkEntityColor) \
    X(Color, mkHtmlTagColor, setMkHtmlTagColor) \
    X(Color, mkAutolinkColor, setMkAutolinkColor) \
    X(Color, mkIndentBlockColor, setMkIndentBlockColor)

// One cell of the preference grid. labelIndex is the grid column: 0 rich text
// colour, 1 rich background, 2 rich border, 3 markup text, 4 markup
// background, 5 markup border.
class ZQTextThemePrefObj : public plat::Object {
public:
    qint64 rowIndex = 0;
    qint64 labelIndex = 0;
    QString label;
    QString rowLabel;
    QString fieldName;

    QString className() const override { return QStringLiteral("ZQTextThemePrefObj"); }
};

using ZQTextThemePrefObjPtr = std::shared_ptr<ZQTextThemePrefObj>;

class ZSTextTheme : public plat::Object, public ZSObservableProperties {
public:
    enum class FieldKind { Color, Flag, Integer, Name };
    struct Field {
        FieldKind kind;
        QString name;
    };

    static std::shared_ptr<ZSTextTheme> sharedTheme();
    static std::shared_ptr<ZSTextTheme> create();

    // With intoSharedInstance the theme is read into sharedTheme(), which is
    // returned; a theme that fails to load leaves the shared theme as it was
    // (the very first load falls back to "light-twins", then to a built-in
    // theme). Without it a new instance is returned, or nullptr on failure.
    static std::shared_ptr<ZSTextTheme> loadTheme(const QString& themeID, bool intoSharedInstance);
    // Writes the source under the new identifier, loads it and gives it the new
    // name as a custom theme descending from this theme's parent; nullptr when
    // the copy cannot be written or read back.
    std::shared_ptr<ZSTextTheme> cloneTheme(const std::shared_ptr<ZSTextTheme>& source, const QString& themeID,
                                            const QString& name, bool intoSharedInstance);
    // Removes a user theme's file; true only when it existed and was removed.
    static bool deleteTheme(const QString& themeID);

    // Writes the theme 2.0 s after the last call, on "ThemeSaveQueue"; never a system theme.
    void save();
    // Writes the theme now on the calling thread, system theme or not.
    void saveNow();
    // The queue debounced saves write on; none before the first one.
    plat::DispatchQueuePtr saveQueue() const;

    // The stored properties, in declaration order, and their kinds.
    static const std::vector<Field>& fields();
    static std::optional<FieldKind> fieldKind(const QString& name);
    // A stored property by name: a colour object, flag, integer or string;
    // none when the property is empty.
    plat::Value fieldValue(const QString& name) const;
    void setFieldValue(const QString& name, const plat::Value& value);

#define ZS_THEME_ACCESSORS_Color(name, setter) \
    plat::ColorPtr name() const { return fieldValue(QStringLiteral(#name)).toObject<plat::Color>(); } \
    void setter(plat::ColorPtr v) { setFieldValue(QStringLiteral(#name), plat::Value(std::move(v))); }
#define ZS_THEME_ACCESSORS_Name(name, setter) \
    QString name() const { return fieldValue(QStringLiteral(#name)).toString(); } \
    void setter(const QString& v) { setFieldValue(QStringLiteral(#name), plat::Value(v)); }
#define ZS_THEME_ACCESSORS_Integer(name, setter) \
    qint64 name() const { return fieldValue(QStringLiteral(#name)).toInteger(); } \
    void setter(qint64 v) { setFieldValue(QStringLiteral(#name), plat::Value(v)); }
#define ZS_THEME_ACCESSORS_Flag(name, setter) \
    bool name() const { return fieldValue(QStringLiteral(#name)).toBool(); } \
    void setter(bool v) { setFieldValue(QStringLiteral(#name), plat::Value(v)); }
#define ZS_THEME_ACCESSORS(kind, name, setter) ZS_THEME_ACCESSORS_##kind(name, setter)
    ZS_TEXT_THEME_FIELDS(ZS_THEME_ACCESSORS)
#undef ZS_THEME_ACCESSORS
#undef ZS_THEME_ACCESSORS_Color
#undef ZS_THEME_ACCESSORS_Name
#undef ZS_THEME_ACCESSORS_Integer
#undef ZS_THEME_ACCESSORS_Flag

    // Header.
    QString themeID() const;
    void setThemeID(const QString& v);
    QString inheritThemeID() const;
    void setInheritThemeID(const QString& v);
    QString themeName() const;
    void setThemeName(const QString& v);
    double themeVersion() const;
    void setThemeVersion(double v);
    bool isSystemTheme() const;
    void setIsSystemTheme(bool v);
    QStringList prefRows() const;
    void setPrefRows(const QStringList& v);

    // The preference grid: row -> (label index -> cell), and property name -> cell.
    std::map<qint64, std::map<qint64, ZQTextThemePrefObjPtr>> prefMatrixByRowIndex() const;
    std::map<QString, ZQTextThemePrefObjPtr> prefMatrixByFieldName() const;

    // Body colours and sheet indexes of code blocks, from the named style sheets.
    plat::ColorPtr codeBlockEditorForeColor() const;
    void setCodeBlockEditorForeColor(plat::ColorPtr v);
    plat::ColorPtr codeBlockMdForeColor() const;
    void setCodeBlockMdForeColor(plat::ColorPtr v);
    qint64 codeBlockEditorIndex() const;
    void setCodeBlockEditorIndex(qint64 v);
    qint64 codeBlockMdIndex() const;
    void setCodeBlockMdIndex(qint64 v);
    // A sheet's index needs the names of every sheet: the lookup runs when the
    // index is first asked for, so loading a theme reads only the sheets it names.
    void setCodeBlockEditorIndexLookup(std::function<qint64()> lookup);
    void setCodeBlockMdIndexLookup(std::function<qint64()> lookup);

    // Change counters: whoever changes that part of the theme adds one, and
    // observers of the name restyle their editors.
    qint64 textForRichChanging() const;
    void setTextForRichChanging(qint64 v);
    qint64 markupTextChanging() const;
    void setMarkupTextChanging(qint64 v);
    qint64 blockEditorForRichChanging() const;
    void setBlockEditorForRichChanging(qint64 v);
    qint64 blockEditorChanging() const;
    void setBlockEditorChanging(qint64 v);
    qint64 obCodeBlockForRichChanging() const;
    void setObCodeBlockForRichChanging(qint64 v);
    qint64 obCodeBlockForMarkupChanging() const;
    void setObCodeBlockForMarkupChanging(qint64 v);

    QString className() const override { return QStringLiteral("ZSTextTheme"); }

private:
    struct Parsed;
    ZSTextTheme() = default;

    static std::optional<Parsed> parse(const QString& themeID);
    static Parsed builtInTheme();
    void adopt(const Parsed& parsed);
    QJsonObject toJsonObject() const;
    bool writeFile(const QString& themeID, bool pretty) const;
    void quickSave();

    std::map<QString, plat::Value> m_fields;
    QString m_themeID;
    QString m_inheritThemeID;
    QString m_themeName;
    double m_themeVersion = 0;
    bool m_isSystemTheme = false;
    QStringList m_prefRows;
    std::map<qint64, std::map<qint64, ZQTextThemePrefObjPtr>> m_prefByRow;
    std::map<QString, ZQTextThemePrefObjPtr> m_prefByField;
    plat::ColorPtr m_codeBlockEditorForeColor;
    plat::ColorPtr m_codeBlockMdForeColor;
    mutable qint64 m_codeBlockEditorIndex = 0;
    mutable qint64 m_codeBlockMdIndex = 0;
    mutable std::function<qint64()> m_codeBlockEditorIndexLookup;
    mutable std::function<qint64()> m_codeBlockMdIndexLookup;
    qint64 m_textForRichChanging = 0;
    qint64 m_markupTextChanging = 0;
    qint64 m_blockEditorForRichChanging = 0;
    qint64 m_blockEditorChanging = 0;
    qint64 m_obCodeBlockForRichChanging = 0;
    qint64 m_obCodeBlockForMarkupChanging = 0;

    std::shared_ptr<plat::Timer> m_saveTimer;
    plat::DispatchQueuePtr m_saveQueue;
};

using ZSTextThemePtr = std::shared_ptr<ZSTextTheme>;
