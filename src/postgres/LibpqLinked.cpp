// Where libpq is linked with the program, it is always there.
#include "Libpq.h"

namespace Libpq {

QString load()
{
    return {};
}

} // namespace Libpq
