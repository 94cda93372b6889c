// Family A encoder. Not built yet.
#include "fama.h"

int32_t tezlA_EncodeStream(TezlAEncoder *) {
    return TEZL_ERR_CORRUPT;
}
