// Skarden entry point.
#include <Zelkoran/Zelkoran.h>

int main(int, char**)
{
    Zelkoran::Main::instance();
    Zelkoran::Main::terminate();
    return 0;
}
