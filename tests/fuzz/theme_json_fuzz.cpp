// Theme files as a user may edit them: any bytes load as a theme or fail with
// a clear error, never a crash or undefined behaviour.

#include "FuzzSupport.h"

#include "kit/model/ZSTextTheme.h"
#include "kit/model/ZSUtils.h"

#include <QDir>
#include <QFile>

extern const FuzzSupport::Target fuzzTarget = {"theme_json", FuzzSupport::Seeds::Themes};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (size > FuzzSupport::MaxInput)
        return 0;
    FuzzSupport::setUp();
    // Themes load by identifier from the user's themes folder.
    static const QString path = QDir(ZSUtils::ensureSandboxPath(QStringLiteral("themes")).toLocalFile())
                                    .filePath(QStringLiteral("fuzzed-theme.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char*>(data), qint64(size));
    file.close();
    if (const auto theme = ZSTextTheme::loadTheme(QStringLiteral("fuzzed-theme"), false)) {
        // Every field of a loaded theme reads.
        for (const ZSTextTheme::Field& field : ZSTextTheme::fields())
            theme->fieldValue(field.name);
        theme->codeBlockMdIndex();
        theme->prefMatrixByRowIndex();
    }
    return 0;
}
