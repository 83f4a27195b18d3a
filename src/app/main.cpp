// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/demarrage.h"

int main(int argc, char** argv)
{
    return demarrer(argc, argv);
}
