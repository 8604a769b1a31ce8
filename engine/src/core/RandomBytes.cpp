#include "core/RandomBytes.h"

#include <openssl/rand.h>

#include <climits>

namespace Zelkoran {

bool randomBytes(void* out, size_t length)
{
    return length <= INT_MAX && RAND_bytes(static_cast<unsigned char*>(out), static_cast<int>(length)) == 1;
}

} // namespace Zelkoran
