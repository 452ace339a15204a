#include "app/EarlyExit.h"

#include <cstdlib>

void ExitEarly()
{
    std::exit(0);
}
