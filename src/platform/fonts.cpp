#include "platform/fonts.h"

#include <QFontDatabase>
#include <QString>

namespace fonts {

void installSubstitutes()
{
    QFont::insertSubstitution(QString::fromUtf8(kProportionalGothic), QStringLiteral("IPAPGothic"));
    QFont::insertSubstitution(QString::fromUtf8(kGothic), QStringLiteral("IPAGothic"));
}

QFont make(const char *family, qreal pointSize)
{
    installSubstitutes();
    QFont font(QString::fromUtf8(family));
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace fonts
