#include <cstdio>

int main()
{
    std::fputs("tarvik: the station window is not built yet.\n", stderr);
    return 1;
}
