// A GUI module has no console for libstdc++'s verbose terminate message; replacing that handler
// keeps it and its demangler (about 50 KB) out of every module.
#include <cxxabi.h>

#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler()
{
    std::abort();
}

}  // namespace __gnu_cxx
