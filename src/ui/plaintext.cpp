#include "ui/plaintext.h"

namespace vorlith::ui {

QString plainTextHint(const QString &text)
{
    if (text.isEmpty())
        return text; // no hint at all
    // Marked up on purpose, with every character of the text escaped: shown
    // as markup, it reads exactly as the text.
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace vorlith::ui
