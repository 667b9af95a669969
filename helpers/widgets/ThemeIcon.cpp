#include "helpers/widgets/ThemeIcon.h"

#include <QFile>

namespace morv {

QIcon ThemeIcon(const char* name) {
    const QString fallback = QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name));
    QIcon bundled = QFile::exists(fallback) ? QIcon(fallback) : QIcon();
    return QIcon::fromTheme(QLatin1String(name), bundled);
}

}  // namespace morv
