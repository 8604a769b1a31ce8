// Skarden entry point.
#include "app/Skarden.h"

int main(int argc, char** argv) { return skardenMain(argc, argv); }
