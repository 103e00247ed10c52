#pragma once

#include <QStringView>

#include <optional>

namespace vorlith::net {

/// The value of a hexadecimal digit, -1 for any other character.
int hexDigit(QChar c);

/// One to eight hexadecimal digits as 32 bits; nothing for anything else.
std::optional<quint32> parseHex32(QStringView digits);

/// A signed 32-bit decimal number with an optional sign; nothing for
/// anything else (blanks included) or a number out of range.
std::optional<qint32> parseDecimal32(QStringView text);

} // namespace vorlith::net
