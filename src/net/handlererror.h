#pragma once

#include <QString>

#include <exception>

namespace vorlith::net {

/// Raised by a message handler that cannot go on (for example a number field
/// that is not a number). It ends that handler only: the dispatcher catches it
/// and hands its text to the side's general error display.
class HandlerError : public std::exception
{
public:
    explicit HandlerError(QString text) : m_text(std::move(text)), m_utf8(m_text.toUtf8()) {}
    const QString &text() const { return m_text; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_text;
    QByteArray m_utf8;
};

} // namespace vorlith::net
