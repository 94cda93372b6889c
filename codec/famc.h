// Family C: LZS-style bit stream (encoder level 10, decoder level -5).
#pragma once

#include "tezl_stream.h"
