#include "app/application.h"

int main(int argc, char **argv)
{
    return vorlith::app::run(argc, argv);
}
