#include "Dentist.h"

#include "TextCompare.h"

size_t qHash(const Dentist& d, size_t seed)
{
    return qHashMulti(seed, d.id, Text::canonical(d.name), Text::canonical(d.colorHex), d.position, d.retiredFrom);
}
