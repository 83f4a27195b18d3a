#include "app/demarrage.h"

int main(int argc, char** argv) { return demarrer(argc, argv); }
