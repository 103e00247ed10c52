#include "lobby/options.h"

int main(int argc, char **argv)
{
    return vorlith::lobby::run(argc, argv);
}
