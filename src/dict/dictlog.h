#pragma once

#include <QLoggingCategory>

namespace vorlith::dict {
Q_DECLARE_LOGGING_CATEGORY(lcDict)
}
