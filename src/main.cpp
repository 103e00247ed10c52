#include "app/application.h"

#include "assets/assets.h"

int main(int argc, char **argv)
{
    vorlith_init_assets();
    return vorlith::app::run(argc, argv);
}
