#include "kestrom.h"

Kestrom::Kestrom() {}
