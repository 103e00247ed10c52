// The yardstick for the start-up benchmark: the least a Qt Widgets program of
// the game's kind does before it can be joined. It shows one 772 x 535 window
// and, once that window is shown, listens on a TCP port, the way the game
// starts hosting from its main window's first show.
//
// The port is VORLITH_HOST_PORT, else 7772.

#include <QApplication>
#include <QHostAddress>
#include <QTcpServer>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

class Window : public QWidget
{
public:
    explicit Window(quint16 port) : m_port(port) { setWindowTitle(QStringLiteral("Bare")); }

protected:
    void showEvent(QShowEvent *event) override
    {
        QWidget::showEvent(event);
        if (m_shown)
            return;
        m_shown = true;
        QTimer::singleShot(0, this, [this] {
            if (!m_server.listen(QHostAddress::Any, m_port))
                std::fprintf(stderr, "cannot listen on %u\n", unsigned(m_port));
        });
    }

private:
    quint16 m_port;
    bool m_shown{false};
    QTcpServer m_server;
};

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bool ok = false;
    const uint port = qEnvironmentVariable("VORLITH_HOST_PORT").toUInt(&ok);
    Window window(ok && port > 0 && port <= 65535 ? quint16(port) : quint16(7772));
    window.resize(772, 535);
    window.show();
    return QApplication::exec();
}
