#include "app/application.h"

#include <QApplication>

namespace vorlith::app {

int run(int argc, char **argv)
{
    QApplication app(argc, argv);
    return 0;
}

} // namespace vorlith::app
