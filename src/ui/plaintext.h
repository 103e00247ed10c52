#pragma once

#include <QString>

namespace vorlith::ui {

/// A hint (tooltip) that shows \a text exactly as it is. Hints take text that
/// looks like markup for markup, so text from other players or from files
/// must go through here before it becomes one.
QString plainTextHint(const QString &text);

} // namespace vorlith::ui
