#pragma once

#include <QtGlobal>

// A fast 64-bit hash of a block of bytes. It only sorts blocks into buckets that are then compared byte for
// byte, so it needs to be quick and well mixed, not cryptographic.
quint64 blockHash(const char *data, qint64 length);
